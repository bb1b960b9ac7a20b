#include "output/step_json.h"

#include "output/explain_text.h"
#include "support/random_source.h"

namespace weft::check {

namespace {

Json pickJson(const StepPick& pick) {
  Json json;
  json["file"] = jsonText(pick.file);
  json["line"] = pick.line == 0 ? Json(nullptr) : Json(pick.line);
  json["table"] = pick.table;
  json["position"] = pick.position;
  json["draws"] = pick.draws();
  json["chance"] = static_cast<double>(pick.draws()) / kDrawRange;
  json["entry"] = jsonText(pick.entry);
  return json;
}

Json rollJson(const StepRoll& roll) {
  Json json;
  json["expression"] = jsonText(roll.expression);
  json["read"] = roll.read;
  json["dice"] = roll.dice;
  json["modifier"] = roll.modifier;
  json["total"] = roll.total;
  json["seed"] = roll.seed;
  return json;
}

}  // namespace

Json stepJson(const LineStep& step, std::optional<std::size_t> index) {
  static constexpr const char* kKinds[] = {"pick", "enter", "leave", "empty_table", "reference"};
  static constexpr const char* kReferences[] = {"dice", "table", "name"};
  const bool numbered = index.has_value();
  const bool isReference = step.kind == LineStep::Kind::Reference;
  Json json;
  if (numbered) json["number"] = *index + 1;
  json["step"] = kKinds[static_cast<int>(step.kind)];
  json["depth"] = step.depth;
  json["file"] = jsonText(step.file);
  if (numbered) {
    json["parent"] = step.parent == LineStep::kNoParent ? Json(nullptr) : Json(step.parent + 1);
  }
  if (step.pick && (numbered || !isReference)) json["pick"] = pickJson(*step.pick);
  if (step.kind == LineStep::Kind::Leave) json["line"] = jsonText(step.text);
  if (isReference) {
    json["reference"] = kReferences[static_cast<int>(step.reference)];
    json["inner"] = jsonText(step.inner);
    json["replacement"] = jsonText(step.text);
    json["resolved"] = step.resolved;
    if (step.pick && !numbered) json["pick"] = pickJson(*step.pick);
    if (step.roll) json["roll"] = rollJson(*step.roll);
    if (step.reference == ReferenceTarget::Kind::Name) json["listed_lines"] = step.listed;
  }
  if (!numbered) json["words"] = jsonText(stepWords(step));
  return json;
}

}  // namespace weft::check

#include "model/roll_joint.h"

#include <algorithm>

#include "support/random_source.h"

namespace weft::check {

namespace {

constexpr std::uint64_t kDraws = kDrawRange;  // equally likely values of one draw

// Bounds of the sums, so that any pair of rolls is worked out in bounded time:
// the dice of one roll, the faces of one die, the cells of one grid of sums,
// and the steps of all the sums one JointDice makes.
constexpr std::int32_t kMostDice = 64;
constexpr std::size_t kMostFaces = 1024;
constexpr std::size_t kMostCells = 250'000;
constexpr double kMostWork = 4e7;

std::size_t faceCount(std::int32_t sides) {
  return static_cast<std::size_t>(std::min<std::uint64_t>(dieModulus(sides), kDraws));
}

std::int32_t lowestFace(std::int32_t sides) { return sides == Dice::kFudge ? -1 : 1; }

// The face a die shows for `draw`, counted from its lowest face.
std::size_t faceIndex(std::int32_t sides, std::uint32_t draw) {
  return static_cast<std::size_t>(dieFace(sides, draw) - lowestFace(sides));
}

bool picksFall(const std::vector<PickedDraw>& picks, std::uint32_t draw) {
  for (const PickedDraw& pick : picks) {
    const std::uint64_t position = draw % pick.size;
    const bool in = std::any_of(pick.runs.begin(), pick.runs.end(), [position](const auto& run) {
      return run.first <= position && position < run.second;
    });
    if (!in) return false;
  }
  return true;
}

}  // namespace

bool comparableDice(const DiceParts& parts) {
  return parts.count >= 1 && parts.count <= kMostDice && dieModulus(parts.sides) >= 2 &&
         faceCount(parts.sides) <= kMostFaces;
}

bool sameDice(const DiceParts& first, const DiceParts& second) {
  if (first.count != second.count) return false;
  if (first.sides == Dice::kFudge || second.sides == Dice::kFudge)
    return first.sides == second.sides;
  return dieModulus(first.sides) == dieModulus(second.sides);
}

bool JointDice::spend(double amount) {
  work_ += amount;
  return work_ <= kMostWork;
}

const std::vector<double>* JointDice::facesAt(const Place& place) {
  if (const auto it = places_.find(place); it != places_.end()) return &it->second;
  if (!spend(static_cast<double>(kDraws * (1 + place.picks.size())))) return nullptr;
  const std::size_t first = place.firstSides == 0 ? 1 : faceCount(place.firstSides);
  const std::size_t second = place.secondSides == 0 ? 1 : faceCount(place.secondSides);
  std::vector<double> grid(first * second, 0.0);
  for (std::uint32_t draw = 0; draw < kDraws; ++draw) {
    if (!picksFall(place.picks, draw)) continue;
    const std::size_t a = place.firstSides == 0 ? 0 : faceIndex(place.firstSides, draw);
    const std::size_t b = place.secondSides == 0 ? 0 : faceIndex(place.secondSides, draw);
    grid[a * second + b] += 1.0 / kDraws;
  }
  return &places_.emplace(place, std::move(grid)).first->second;
}

const JointSums* JointDice::sums(const DiceParts& first, const DiceParts& second,
                                 std::span<const PickedDraw> picks, double& scale) {
  const bool same = sameDice(first, second);
  Key key{first.count, first.sides, same ? 0 : second.count, second.sides, {}};
  const auto places = static_cast<std::uint32_t>(std::max(first.count, second.count));
  // The picks behind every die only weigh the pair; the others go into the
  // grid, grouped by place, in one order, so that equal grids meet in the cache.
  std::map<std::uint32_t, std::vector<PickedDraw>> behind;
  for (const PickedDraw& pick : picks) {
    if (pick.index < places) {
      key.picks.push_back(pick);
    } else {
      PickedDraw alone = pick;
      alone.index = 0;
      behind[pick.index].push_back(std::move(alone));
    }
  }
  std::sort(key.picks.begin(), key.picks.end());
  scale = 1;
  for (auto& [index, atPlace] : behind) {
    std::sort(atPlace.begin(), atPlace.end());
    const std::vector<double>* alone = facesAt(Place{0, 0, atPlace});
    if (alone == nullptr) return nullptr;
    scale *= (*alone)[0];
  }
  auto it = grids_.find(key);
  if (it == grids_.end()) {
    std::optional<JointSums> made = grid(key);
    it = grids_.emplace(std::move(key), std::move(made)).first;
  }
  if (!it->second) return nullptr;
  return &*it->second;
}

std::optional<JointSums> JointDice::grid(const Key& key) {
  const auto countA = static_cast<std::size_t>(key.firstCount);
  const auto countB = static_cast<std::size_t>(key.secondCount);
  const std::size_t facesA = faceCount(key.firstSides);
  const std::size_t facesB = faceCount(key.secondSides);
  if ((countA * (facesA - 1) + 1) * (countB * (facesB - 1) + 1) > kMostCells) return std::nullopt;
  std::map<std::uint32_t, std::vector<PickedDraw>> picksAt;
  for (PickedDraw pick : key.picks) {
    const std::uint32_t index = pick.index;
    pick.index = 0;
    picksAt[index].push_back(std::move(pick));
  }
  JointSums joint;
  joint.sameDice = countB == 0;
  joint.lowestFirst = static_cast<std::int64_t>(countA) * lowestFace(key.firstSides);
  joint.lowestSecond = static_cast<std::int64_t>(countB) * lowestFace(key.secondSides);
  for (std::size_t i = 0; i < std::max(countA, countB); ++i) {
    const auto at = picksAt.find(static_cast<std::uint32_t>(i));
    const Place place{i < countA ? key.firstSides : 0, i < countB ? key.secondSides : 0,
                      at == picksAt.end() ? std::vector<PickedDraw>{} : at->second};
    const std::vector<double>* faces = facesAt(place);
    if (faces == nullptr) return std::nullopt;
    const std::size_t wa = place.firstSides == 0 ? 1 : facesA;
    const std::size_t wb = place.secondSides == 0 ? 1 : facesB;
    if (!spend(static_cast<double>(joint.chances.size() * faces->size()))) return std::nullopt;
    JointSums next = joint;
    next.widthFirst = joint.widthFirst + wa - 1;
    next.widthSecond = joint.widthSecond + wb - 1;
    next.chances.assign(next.widthFirst * next.widthSecond, 0.0);
    for (std::size_t a = 0; a < joint.widthFirst; ++a) {
      for (std::size_t b = 0; b < joint.widthSecond; ++b) {
        const double p = joint.at(a, b);
        if (p == 0) continue;
        for (std::size_t fa = 0; fa < wa; ++fa) {
          for (std::size_t fb = 0; fb < wb; ++fb) {
            next.chances[(a + fa) * next.widthSecond + b + fb] += p * (*faces)[fa * wb + fb];
          }
        }
      }
    }
    joint = std::move(next);
  }
  return joint;
}

}  // namespace weft::check

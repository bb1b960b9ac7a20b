-- Neovim's own client against `weft-check --lsp`, headless, on the fixture
-- named by WEFT_FIXTURE: its "# expect" lines give each diagnostic's line and
-- columns (in UTF-16 units), a word of its message and a word of its note,
-- which Neovim shows only in the message. Run as
--   nvim --headless -u NONE -c 'luafile lsp_nvim.lua'
-- with WEFT_CHECK set; exits 0 when every check holds.
local fixture = os.getenv("WEFT_FIXTURE")
local failures = 0
local function check(ok, what)
  if not ok then
    failures = failures + 1
    io.stderr:write("FAIL: " .. what .. "\n")
  end
end

vim.cmd("edit " .. vim.fn.fnameescape(fixture))
local buffer = vim.api.nvim_get_current_buf()
local lines = vim.api.nvim_buf_get_lines(buffer, 0, -1, false)
local client = vim.lsp.start_client({
  name = "weft",
  cmd = { os.getenv("WEFT_CHECK"), "--lsp" },
  root_dir = vim.fn.fnamemodify(fixture, ":h"),
})
vim.lsp.buf_attach_client(buffer, client)

local expected = {}
for _, line in ipairs(lines) do
  local row, first, last, word, mend = line:match("^# expect (%d+) (%d+) (%d+) (%S+) (%S+)")
  if row then table.insert(expected, { tonumber(row) - 1, tonumber(first), tonumber(last), word, mend }) end
end
check(#expected > 0, "the fixture expects diagnostics")
vim.wait(10000, function() return #vim.diagnostic.get(buffer) >= #expected end, 50)
for _, want in ipairs(expected) do
  local row, text = want[1], lines[want[1] + 1]
  -- Neovim keeps columns in bytes: the client converts the server's units.
  local first = vim.str_byteindex(text, want[2], true)
  local last = vim.str_byteindex(text, want[3], true)
  local found = false
  for _, d in ipairs(vim.diagnostic.get(buffer, { lnum = row })) do
    local newline = d.message:find("\n", 1, true)
    found = found or (d.col == first and d.end_col == last and d.message:find(want[4], 1, true) ~= nil
      and newline ~= nil and d.message:find(want[5], newline, true) ~= nil)
  end
  check(found, string.format("a diagnostic at line %d, bytes %d to %d, with %q and its note's %q",
    row + 1, first, last, want[4], want[5]))
end

local function find(pattern)
  for i, line in ipairs(lines) do
    local column = line:find(pattern)
    if column then return i - 1, column - 1 end
  end
end
local function request(method, row, column)
  local params = { textDocument = { uri = vim.uri_from_bufnr(buffer) }, position = { line = row, character = column } }
  local replies = vim.lsp.buf_request_sync(buffer, method, params, 5000) or {}
  return replies[client] and replies[client].result
end

local entryRow = find("^hero")
local hover = request("textDocument/hover", entryRow, 1)
local value = hover and hover.contents and hover.contents.value or ""
check(value:find("%d%%") ~= nil and value:find("1 in ", 1, true) ~= nil, "hover with a chance: " .. value)

local tableRow = find("^%%table 2$")
local row, column = find("%(table2%)")
local definition = request("textDocument/definition", row, column + 2)
if definition and definition[1] then definition = definition[1] end
check(definition and definition.range and definition.range.start.line == tableRow,
  "definition from (table2) to %table 2 on line " .. tostring(tableRow and tableRow + 1))

local completion = request("textDocument/completion", row, column + 1)
local labels = {}
for _, item in ipairs(completion and (completion.items or completion) or {}) do labels[item.label] = true end
check(labels["table2"] and labels["random "], "completion after \"(\" offers table2 and random")

vim.lsp.stop_client(client)
if failures > 0 then vim.cmd("cquit 1") end
vim.cmd("qall!")

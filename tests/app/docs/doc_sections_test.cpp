#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/commands/command_table.h"
#include "app/docs/doc_sections.h"
#include "app/options/option_table.h"
#include "tests/support/test_paths.h"

namespace {

using kestrel::test::ProjectSourceDir;
using kestrel::test::ReadFileBytes;

using kestrel::test::RunShell;
using kestrel::test::ShellRun;

bool HaveGroff() { return RunShell("command -v groff").status == 0; }

// The manual page as a reader sees it: plain UTF-8, lines long enough that
// nothing is hyphenated or broken.
ShellRun RenderRoff(const std::string& page)
{
    const std::string dir = kestrel::test::MakeTempDir("kestrel-docs");
    const std::string file = dir + "/page.1";
    if (!kestrel::test::WriteFileBytes(file, page)) return {};
    ShellRun run = RunShell("groff -man -ww -Tutf8 -rLL=2000n -P-cbu '" + file + "'");
    RunShell("rm -rf '" + dir + "'");
    return run;
}

std::string HtmlUnescape(std::string text)
{
    for (const auto& [entity, plain] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}}) {
        for (std::size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1))
            text.replace(at, std::string_view(entity).size(), plain);
    }
    return text;
}

std::string CollapseSpaces(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        const bool space = c == ' ' || c == '\n';
        if (!space) {
            out += c;
        } else if (!out.empty() && out.back() != ' ') {
            out += ' ';
        }
    }
    return out;
}

// The texts between each open and close in text, in order.
std::vector<std::string> Between(const std::string& text, std::string_view open, std::string_view close)
{
    std::vector<std::string> found;
    for (std::size_t at = text.find(open); at != std::string::npos; at = text.find(open, at)) {
        at += open.size();
        const std::size_t end = text.find(close, at);
        if (end == std::string::npos) break;
        found.push_back(text.substr(at, end - at));
    }
    return found;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

TEST(GeneratedDocs, CommittedDocumentsSayWhatTheTablesSay)
{
    const struct {
        const char* file;
        DocFormat format;
    } documents[] = {{"doc/kestrel.1", DocFormat::Roff}, {"doc/manual.html", DocFormat::Html}};
    for (const auto& document : documents) {
        const std::string text = ReadFileBytes(ProjectSourceDir() + "/" + document.file);
        ASSERT_FALSE(text.empty()) << document.file;
        for (const GeneratedBlock& block : GeneratedBlocks(document.format)) {
            const BlockText found = FindBlock(text, document.format, block.name);
            ASSERT_EQ(found.error, "") << document.file;
            EXPECT_EQ(found.text, block.text) << document.file << ": the " << block.name
                                              << " block is out of date; run scripts/update-docs.sh";
        }
    }
}

// --help is the oracle: every option's line of the manual is its line there.
TEST(GeneratedDocs, OptionEntriesReadAsHelpDoes)
{
    const std::string help = CollapseSpaces(OptionHelp());
    const std::vector<std::string> rows = Between(OptionsSection(DocFormat::Html), "<tr>", "</tr>");
    ASSERT_EQ(rows.size(), OptionTable().size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const OptionRow& row = OptionTable()[i];
        const std::vector<std::string> cells = Between(rows[i], "<td>", "</td>");
        ASSERT_EQ(cells.size(), 2u) << rows[i];
        EXPECT_NE(cells[0].find("<code>" + HtmlText(row.name)), std::string::npos) << rows[i];
        const std::string line = HtmlUnescape(cells[1]);
        EXPECT_EQ(line.find('{'), std::string::npos) << "a placeholder is left: " << line;
        EXPECT_NE(help.find(" " + line + " "), std::string::npos) << row.name << ": " << line;
    }
}

// The command table's own key lookup is the oracle: each key of a row names
// the command whose prompt the row gives.
TEST(GeneratedDocs, KeyEntriesNameTheCommandTheKeyRuns)
{
    const std::vector<std::string> rows = Between(KeysSection(DocFormat::Html), "<tr>", "</tr>");
    std::size_t commandsWithKeys = 0;
    for (const CommandRow& row : CommandTable())
        commandsWithKeys += row.promptAndTip != nullptr && !row.keys[0].empty();
    ASSERT_EQ(rows.size(), commandsWithKeys);
    std::size_t keysShown = 0;
    for (const std::string& entry : rows) {
        const std::vector<std::string> cells = Between(entry, "<td>", "</td>");
        ASSERT_EQ(cells.size(), 2u) << entry;
        for (const std::string& key : Between(cells[0], "<kbd>", "</kbd>")) {
            const char* text = CommandPromptAndTip(CommandOfKey(HtmlUnescape(key)));
            ASSERT_NE(text, nullptr) << key << " is a key of no command with a text";
            EXPECT_EQ(std::string(text).substr(0, std::string(text).find('\n')), HtmlUnescape(cells[1])) << key;
            ++keysShown;
        }
    }
    std::size_t keysWithText = 0;
    for (const CommandRow& row : CommandTable()) {
        for (std::string_view key : row.keys) keysWithText += row.promptAndTip != nullptr && !key.empty();
    }
    EXPECT_EQ(keysShown, keysWithText);
}

TEST(GeneratedDocs, HtmlTextEscapesMarkup)
{
    EXPECT_EQ(HtmlText("<kbd>a & b</kbd> -- \\ \"q\""), "&lt;kbd&gt;a &amp; b&lt;/kbd&gt; -- \\ \"q\"");
}

// groff is the oracle for roff: each text comes back as it went in, and the
// documents render without a warning.
TEST(GeneratedDocs, RoffTextRendersAsWritten)
{
    if (!HaveGroff()) GTEST_SKIP() << "groff is not installed";
    const std::vector<std::string> texts = {
        ".starts with a dot", "'starts with a quote", "back\\slash and \\fBnot bold", "--interval and a-b",
        "say \"hi\"",         "Open Folder\u2026",    "[ ] \\ + = - Ctrl++ Ctrl+-",   "100% of $HOME",
    };
    std::string page = ".TH T 1\n.SH TEXTS\n";
    for (const std::string& text : texts) page += ".PP\n" + RoffText(text) + "\n.PP\n.B " + RoffText(text) + '\n';
    const ShellRun run = RenderRoff(page);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output.find("warning"), std::string::npos) << run.output;
    const std::vector<std::string> lines = Lines(run.output);
    for (const std::string& text : texts) {
        std::size_t seen = 0;
        for (const std::string& line : lines) seen += line.find_first_not_of(' ') != std::string::npos &&
                                                      line.substr(line.find_first_not_of(' ')) == text;
        EXPECT_EQ(seen, 2u) << text << " in\n" << run.output;
    }
}

TEST(GeneratedDocs, ManualPageRendersEveryOptionAndKeyWithoutWarnings)
{
    if (!HaveGroff()) GTEST_SKIP() << "groff is not installed";
    const std::string page = ReadFileBytes(ProjectSourceDir() + "/doc/kestrel.1");
    const ShellRun run = RenderRoff(page);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output.find("warning"), std::string::npos) << run.output;
    for (const OptionRow& row : OptionTable()) EXPECT_NE(run.output.find(OptionLabel(row)), std::string::npos) << row.name;
    for (const CommandRow& row : CommandTable()) {
        if (row.promptAndTip == nullptr) continue;
        for (std::string_view key : row.keys) {
            if (!key.empty()) {
                EXPECT_NE(run.output.find(std::string(key)), std::string::npos) << key;
            }
        }
    }
}

// The HTML sections are XML as they stand (no void elements), so xmllint,
// where installed, checks that every tag closes.
TEST(GeneratedDocs, HtmlSectionsAreWellFormed)
{
    if (RunShell("command -v xmllint").status != 0) GTEST_SKIP() << "xmllint is not installed";
    const std::string dir = kestrel::test::MakeTempDir("kestrel-docs");
    const std::string file = dir + "/sections.xml";
    ASSERT_TRUE(kestrel::test::WriteFileBytes(file, "<div>" + UsageSection(DocFormat::Html) + "<table>" +
                                                        OptionsSection(DocFormat::Html) + KeysSection(DocFormat::Html) +
                                                        "</table></div>\n"));
    const ShellRun run = RunShell("xmllint --noout '" + file + "'");
    RunShell("rm -rf '" + dir + "'");
    EXPECT_EQ(run.status, 0) << run.output;
}

std::string Marker(bool begin, std::string_view name) { return BlockMarker(DocFormat::Roff, begin, name) + '\n'; }

// A document with every block, old text in each, prose around them.
std::string Document(const std::string& inside)
{
    std::string text = ".TH T 1\nbefore\n";
    for (const GeneratedBlock& block : GeneratedBlocks(DocFormat::Roff))
        text += Marker(true, block.name) + inside + Marker(false, block.name) + "between " + std::string(block.name) + '\n';
    return text + "after\n";
}

TEST(RewriteBlocks, ReplacesOnlyTheBlocksAndIsStable)
{
    const Rewritten once = RewriteBlocks(Document("stale line\n"), DocFormat::Roff);
    ASSERT_EQ(once.error, "");
    // The blocks are made anew, the prose is where it was, and a second run
    // changes nothing.
    std::string expected = ".TH T 1\nbefore\n";
    for (const GeneratedBlock& block : GeneratedBlocks(DocFormat::Roff))
        expected += Marker(true, block.name) + block.text + Marker(false, block.name) + "between " + std::string(block.name) + '\n';
    EXPECT_EQ(once.text, expected + "after\n");
    EXPECT_EQ(RewriteBlocks(once.text, DocFormat::Roff).text, once.text);
}

TEST(RewriteBlocks, RefusesMarkersMissingMisplacedOrTwice)
{
    const std::string options = Marker(true, "OPTIONS") + Marker(false, "OPTIONS");
    const struct {
        const char* what;
        std::string from, to;  // the rewrite of the good document that breaks it
    } cases[] = {
        {"end missing", Marker(false, "KEYS"), ""},
        {"begin missing", Marker(true, "USAGE"), ""},
        {"end before begin", options, Marker(false, "OPTIONS") + Marker(true, "OPTIONS")},
        {"block twice", options, options + options},
        {"marker not a whole line", Marker(true, "KEYS"), "x" + Marker(true, "KEYS")},
        {"markers of the other format", Marker(true, "KEYS"), BlockMarker(DocFormat::Html, true, "KEYS") + '\n'},
    };
    for (const auto& broken : cases) {
        std::string text = Document("");
        const std::size_t at = text.find(broken.from);
        ASSERT_NE(at, std::string::npos) << broken.what;
        text.replace(at, broken.from.size(), broken.to);
        EXPECT_NE(RewriteBlocks(text, DocFormat::Roff).error, "") << broken.what;
    }
}

}  // namespace

// The option and key sections of the manual page (roff) and of the HTML
// manual, made from the option table and the command table, so that the
// documents say what --help and the accelerators do.
//
// A document carries each section between two marker lines, which the
// rewrite keeps; the prose around them is written by hand:
//   .\" BEGIN GENERATED OPTIONS          <!-- BEGIN GENERATED OPTIONS -->
//   ...                                  ...
//   .\" END GENERATED OPTIONS            <!-- END GENERATED OPTIONS -->
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class DocFormat { Roff, Html };

// Text for running roff text or a macro's argument: backslashes, hyphens,
// quotes and characters beyond ASCII escaped, a leading dot or quote made
// harmless.
std::string RoffText(std::string_view text);
// Text for HTML: &, < and > as entities.
std::string HtmlText(std::string_view text);

// The forms of the command line, as the usage line of --help gives them
// (roff: ".SY" synopses; HTML: a <pre> block).
std::string UsageSection(DocFormat format);
// One entry per option in the table's order: its label with its value, and
// its help line with the range and the default filled in as --help fills
// them (roff: ".TP" items; HTML: table rows).
std::string OptionsSection(DocFormat format);
// One entry per command that has keys and a text: its keys, then its prompt.
// The framework's edit and pane keys (rows without a text) are left out.
std::string KeysSection(DocFormat format);

struct GeneratedBlock {
    std::string_view name;  // "USAGE", "OPTIONS", "KEYS": the word in the markers
    std::string text;       // whole lines
};
std::vector<GeneratedBlock> GeneratedBlocks(DocFormat format);

// ".\" BEGIN GENERATED OPTIONS" or "<!-- END GENERATED KEYS -->".
std::string BlockMarker(DocFormat format, bool begin, std::string_view name);

// The lines between the markers of name, or an error: a marker missing, in
// the wrong order or there twice.
struct BlockText {
    std::string text;
    std::string error;  // empty when text is the block
};
BlockText FindBlock(std::string_view document, DocFormat format, std::string_view name);

// The document with every generated block made anew, or an error as above.
struct Rewritten {
    std::string text;
    std::string error;
};
Rewritten RewriteBlocks(std::string_view document, DocFormat format);

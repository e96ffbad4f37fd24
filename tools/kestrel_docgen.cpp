// kestrel_docgen [--check] FILE...: makes the generated blocks of each FILE
// (a manual page, or an HTML manual when the name ends in .html) anew from
// the option and command tables; scripts/update-docs.sh runs it on doc/.
// With --check it writes nothing and exits 1 when a block is out of date.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/docs/doc_sections.h"

namespace {

bool ReadFile(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    text = content.str();
    return !in.bad();
}

// Written beside the file and renamed over it, so a failure leaves the old one.
bool WriteFile(const std::string& path, const std::string& text)
{
    const std::string temporary = path + ".docgen-new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out.write(text.data(), std::streamsize(text.size())) || !out.flush()) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) std::filesystem::remove(temporary, error);
    return !error;
}

bool EndsWith(const std::string& text, std::string_view end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    bool check = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--check") {
            check = true;
        } else if (!word.empty() && word[0] != '-') {
            files.push_back(word);
        } else {
            files.clear();
            break;
        }
    }
    if (files.empty()) {
        std::cerr << "usage: kestrel_docgen [--check] FILE...\n";
        return 2;
    }

    int status = 0;
    for (const std::string& file : files) {
        std::string text;
        if (!ReadFile(file, text)) {
            std::cerr << file << ": cannot be read\n";
            return 2;
        }
        const DocFormat format = EndsWith(file, ".html") ? DocFormat::Html : DocFormat::Roff;
        const Rewritten made = RewriteBlocks(text, format);
        if (!made.error.empty()) {
            std::cerr << file << ": " << made.error << '\n';
            return 2;
        }
        if (made.text == text) continue;
        if (check) {
            std::cerr << file << ": out of date\n";
            status = 1;
        } else if (!WriteFile(file, made.text)) {
            std::cerr << file << ": cannot be written\n";
            return 2;
        } else {
            std::cout << file << ": updated\n";
        }
    }
    return status;
}

// Builds TGA files: header, ID field, colour map and pixel data as given.
#pragma once

#include <string>

namespace kestrel::test {

struct TgaRecipe {
    std::string id;
    int colourMapType = 0;
    int imageType = 2;
    int mapFirst = 0;
    int mapLength = 0;
    int mapEntryBits = 24;
    int width = 1, height = 1;
    int depth = 24;
    int descriptor = 0;  // bits 0-3 alpha bits, bit 4 right to left, bit 5 top to bottom
    std::string colourMap;
    std::string data;
};

std::string BuildTga(const TgaRecipe& recipe);

}  // namespace kestrel::test

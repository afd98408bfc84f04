// Width and height of a PNG file from its header, for tests that check written images without
// decoding them.
#pragma once

#include <fstream>
#include <string>
#include <utility>

// {width, height}; {0, 0} when the file is missing or not a PNG image.
inline std::pair<int, int> PngSize(const std::string &path) {
    unsigned char h[24] = {};
    std::ifstream(path, std::ios::binary).read(reinterpret_cast<char *>(h), sizeof h);
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (!std::equal(kSignature, kSignature + 8, h) || std::string(h + 12, h + 16) != "IHDR")
        return {0, 0};
    auto word = [&h](int at) { return h[at] << 24 | h[at + 1] << 16 | h[at + 2] << 8 | h[at + 3]; };
    return {word(16), word(20)};
}

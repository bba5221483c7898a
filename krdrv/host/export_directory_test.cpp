// The export-directory reader on made-up images, 32- and 64-bit: it finds what the table says,
// and a truncated or lying table makes it answer 0 without reading outside the image (each
// image is a heap block of exactly its size, so AddressSanitizer stops a read beyond it).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "export_directory.h"

namespace {

constexpr uint32_t kNtAt = 0x40;
constexpr uint32_t kOptionalAt = kNtAt + 4 + 20;
constexpr uint32_t kDirectoryAt = 0x200;
constexpr uint32_t kImageSize = 0x2000;
constexpr uint32_t kAlpha = 0x1000;
constexpr uint32_t kBeta = 0x1010;

void Put16(std::vector<uint8_t>& image, uint32_t at, uint16_t value) {
    image[at] = static_cast<uint8_t>(value);
    image[at + 1] = static_cast<uint8_t>(value >> 8);
}
void Put32(std::vector<uint8_t>& image, uint32_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) image[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Where the fields a test changes lie in one made-up image.
struct Layout {
    uint32_t optionalSize, imageSizeAt, rvaCountAt, directoryEntryAt;
    uint32_t functions, names, ordinals, forwarder, betaName, directoryEnd;
};

// An image with three exports: Alpha and Beta (routines) and Gamma (forwarded elsewhere). The
// directory holds its tables and names and ends right after Beta's terminating zero.
std::vector<uint8_t> Image(bool wide, Layout& at) {
    std::vector<uint8_t> image(kImageSize, 0);
    at.optionalSize = wide ? 0xF0 : 0xE0;
    at.imageSizeAt = kOptionalAt + 56;
    at.rvaCountAt = kOptionalAt + (wide ? 108 : 92);
    at.directoryEntryAt = kOptionalAt + (wide ? 112 : 96);
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 0x3C, kNtAt);
    std::memcpy(&image[kNtAt], "PE\0\0", 4);
    Put16(image, kNtAt + 4 + 16, static_cast<uint16_t>(at.optionalSize));
    Put16(image, kOptionalAt, wide ? 0x20B : 0x10B);
    Put32(image, at.imageSizeAt, kImageSize);
    Put32(image, at.rvaCountAt, 16);

    at.functions = kDirectoryAt + 40;
    at.names = at.functions + 3 * 4;
    at.ordinals = at.names + 3 * 4;
    at.forwarder = at.ordinals + 3 * 2;
    const char forwarder[] = "other.Gamma";
    const uint32_t gammaName = at.forwarder + sizeof(forwarder);
    const uint32_t alphaName = gammaName + sizeof("Gamma");
    at.betaName = alphaName + sizeof("Alpha");
    at.directoryEnd = at.betaName + sizeof("Beta");
    std::memcpy(&image[at.forwarder], forwarder, sizeof(forwarder));
    std::memcpy(&image[gammaName], "Gamma", sizeof("Gamma"));
    std::memcpy(&image[alphaName], "Alpha", sizeof("Alpha"));
    std::memcpy(&image[at.betaName], "Beta", sizeof("Beta"));

    Put32(image, kDirectoryAt + 20, 3);  // NumberOfFunctions
    Put32(image, kDirectoryAt + 24, 3);  // NumberOfNames
    Put32(image, kDirectoryAt + 28, at.functions);
    Put32(image, kDirectoryAt + 32, at.names);
    Put32(image, kDirectoryAt + 36, at.ordinals);
    Put32(image, at.functions + 0, kAlpha);
    Put32(image, at.functions + 4, kBeta);
    Put32(image, at.functions + 8, at.forwarder);
    const uint32_t nameOf[] = {alphaName, at.betaName, gammaName};
    for (uint16_t i = 0; i < 3; ++i) {
        Put32(image, at.names + i * 4, nameOf[i]);
        Put16(image, at.ordinals + i * 2, i);
    }
    Put32(image, at.directoryEntryAt, kDirectoryAt);
    Put32(image, at.directoryEntryAt + 4, at.directoryEnd - kDirectoryAt);
    return image;
}

// The first `size` bytes of an image in a heap block of exactly that size.
uint32_t FindIn(const std::vector<uint8_t>& image, size_t size, const char* name) {
    std::vector<uint8_t> exact(image.begin(), image.begin() + static_cast<ptrdiff_t>(size));
    return FindExportRva(exact.data(), exact.size(), name);
}

class ExportDirectory : public testing::TestWithParam<bool> {
protected:
    void SetUp() override { image_ = Image(GetParam(), at_); }
    std::vector<uint8_t> image_;
    Layout at_{};
};

TEST_P(ExportDirectory, FindsRoutinesByTheirWholeName) {
    const struct {
        const char* name;
        uint32_t rva;
    } kCases[] = {{"Alpha", kAlpha}, {"Beta", kBeta}, {"Gamma", 0} /* forwarded */,
                  {"Alph", 0},       {"AlphaX", 0},   {"alpha", 0},
                  {"", 0},           {"Delta", 0}};
    for (const auto& c : kCases)
        EXPECT_EQ(c.rva, FindIn(image_, image_.size(), c.name)) << '"' << c.name << '"';
    EXPECT_EQ(0u, FindExportRva(nullptr, image_.size(), "Alpha"));
    EXPECT_EQ(0u, FindExportRva(image_.data(), image_.size(), nullptr));
}

// Cut off at every length: Beta is found exactly when its routine lies inside what is left.
TEST_P(ExportDirectory, ATruncatedImageIsNeverReadPastItsEnd) {
    for (size_t size = 0; size <= image_.size(); ++size)
        ASSERT_EQ(size > kBeta ? kBeta : 0u, FindIn(image_, size, "Beta")) << "size " << size;
}

TEST_P(ExportDirectory, ALyingTableFindsNothing) {
    using Change = std::function<void(std::vector<uint8_t>&, const Layout&)>;
    const struct {
        const char* what;
        Change change;
    } kCases[] = {
        {"no MZ", [](auto& i, auto&) { i[0] = 'X'; }},
        {"headers past the end", [](auto& i, auto&) { Put32(i, 0x3C, 0xFFFFFFF0); }},
        {"file header cut off", [](auto& i, auto&) { Put32(i, 0x3C, kImageSize - 8); }},
        {"no PE signature", [](auto& i, auto&) { i[kNtAt] = 'X'; }},
        {"optional header past the end", [](auto& i, auto&) { Put16(i, kNtAt + 20, 0xFFFF); }},
        {"optional header without its directories",
         [](auto& i, auto&) { Put16(i, kNtAt + 20, 0x60); }},
        {"unknown optional header", [](auto& i, auto&) { Put16(i, kOptionalAt, 0x107); }},
        {"no data directories", [](auto& i, auto& a) { Put32(i, a.rvaCountAt, 0); }},
        {"directory past the end",
         [](auto& i, auto& a) { Put32(i, a.directoryEntryAt, kImageSize - 16); }},
        {"directory wrapping around",
         [](auto& i, auto& a) { Put32(i, a.directoryEntryAt, 0xFFFFFFF0); }},
        {"directory of 4 GB", [](auto& i, auto& a) { Put32(i, a.directoryEntryAt + 4, ~0u); }},
        {"directory smaller than its header",
         [](auto& i, auto& a) { Put32(i, a.directoryEntryAt + 4, 39); }},
        {"image smaller than its directory",
         [](auto& i, auto& a) { Put32(i, a.imageSizeAt, a.directoryEnd - 1); }},
        {"a billion names", [](auto& i, auto&) { Put32(i, kDirectoryAt + 24, 0x40000000); }},
        {"a billion functions", [](auto& i, auto&) { Put32(i, kDirectoryAt + 20, 0x40000000); }},
        {"name table outside the directory",
         [](auto& i, auto&) { Put32(i, kDirectoryAt + 32, kAlpha); }},
        {"ordinal table outside the directory",
         [](auto& i, auto& a) { Put32(i, kDirectoryAt + 36, a.directoryEnd - 2); }},
        {"function table outside the directory",
         [](auto& i, auto& a) { Put32(i, kDirectoryAt + 28, a.directoryEnd - 4); }},
        {"name outside the directory",
         [](auto& i, auto& a) { Put32(i, a.names + 4, a.directoryEnd); }},
        {"name without its zero inside the directory",
         [](auto& i, auto& a) { Put32(i, a.directoryEntryAt + 4, a.directoryEnd - 1 - kDirectoryAt); }},
        {"ordinal past the functions", [](auto& i, auto& a) { Put16(i, a.ordinals + 2, 3); }},
        // Unchecked, this one would read the function table far past the image's end.
        {"ordinal far past the functions",
         [](auto& i, auto& a) { Put16(i, a.ordinals + 2, 0xFFFF); }},
        {"routine past the image", [](auto& i, auto& a) { Put32(i, a.functions + 4, kImageSize); }},
        {"routine at 0", [](auto& i, auto& a) { Put32(i, a.functions + 4, 0); }},
        {"routine inside the directory (a forwarder)",
         [](auto& i, auto& a) { Put32(i, a.functions + 4, a.forwarder); }},
    };
    for (const auto& c : kCases) {
        std::vector<uint8_t> image = image_;
        c.change(image, at_);
        EXPECT_EQ(0u, FindIn(image, image.size(), "Beta")) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(BothWidths, ExportDirectory, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Pe32Plus" : "Pe32");
                         });

}  // namespace

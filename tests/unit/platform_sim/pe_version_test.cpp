#include "platform/sim/pe_version.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "platform/errors.h"
#include "platform/version_resources.h"
#include "tests/support/pe_builder.h"

namespace {

using platform::sim::FindVersionResource;
using platform::sim::QueryVersionValue;
using testsupport::PeKind;
namespace layout = testsupport::pe_layout;

testsupport::VersionInfo Spec(PeKind kind = PeKind::Pe32Plus) {
    testsupport::VersionInfo info;
    const uint16_t fileVersion[4] = {1, 2, 3, 4}, productVersion[4] = {5, 6, 0x7FFF, 0xFFFF};
    std::memcpy(info.fileVersion, fileVersion, sizeof fileVersion);
    std::memcpy(info.productVersion, productVersion, sizeof productVersion);
    info.strings = {{u"CompanyName", u"Example Maker"},
                    {u"ProductVersion", u"5.6.32767.65535"},
                    {u"Comments", u""}};
    info.kind = kind;
    return info;
}

void Put32(std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

uint32_t Get32(const void* at) {
    uint32_t value;
    std::memcpy(&value, at, 4);
    return value;
}

TEST(FindVersionResource, GivesTheVersionBlockOfBothImageKinds) {
    for (PeKind kind : {PeKind::Pe32Plus, PeKind::Pe32}) {
        SCOPED_TRACE(kind == PeKind::Pe32 ? "PE32" : "PE32+");
        std::string resource;
        uint32_t error = 0;
        ASSERT_TRUE(FindVersionResource(testsupport::BuildPeWithVersion(Spec(kind)), &resource,
                                        &error));
        EXPECT_EQ(resource, testsupport::BuildVersionBlock(Spec(kind)));
    }
}

TEST(FindVersionResource, RefusesFilesWithoutAReadableVersionResource) {
    const std::string good = testsupport::BuildPeWithVersion(Spec());
    std::mt19937 random(7);
    std::string noise(4096, '\0');
    for (char& byte : noise) byte = static_cast<char>(random());

    struct Case {
        const char* name;
        std::string bytes;
        uint32_t error;
    };
    auto damaged = [&good](const std::function<void(std::string&)>& damage) {
        std::string bytes = good;
        damage(bytes);
        return bytes;
    };
    const uint32_t noSection = platform::kErrResourceDataNotFound;
    const Case cases[] = {
        {"empty", "", noSection},
        {"MZ only", "MZ", noSection},
        {"text", "[Version]\r\nSignature=\"$Windows NT$\"\r\n", noSection},
        {"noise", noise, noSection},
        {"noise after MZ", "MZ" + noise, noSection},
        {"PE32+ without resources", testsupport::BuildPeWithoutResources(), noSection},
        {"PE32 without resources", testsupport::BuildPeWithoutResources(PeKind::Pe32), noSection},
        {"resources but no RT_VERSION",
         damaged([](std::string& b) { b[layout::kResources + 16] = 6; }),
         platform::kErrResourceTypeNotFound},
        // FindResourceW looks for the name 1 only: ERROR_RESOURCE_NAME_NOT_FOUND.
        {"version named 2", damaged([](std::string& b) { b[layout::kNameDirectory + 16] = 2; }),
         1814},
        // ERROR_RESOURCE_LANG_NOT_FOUND
        {"no language", damaged([](std::string& b) { b[layout::kLanguageDirectory + 14] = 0; }),
         1815},
        {"no PE signature", damaged([](std::string& b) { b[layout::kPeHeader] = 'X'; }),
         noSection},
        {"e_lfanew past the end", damaged([](std::string& b) { Put32(b, 0x3C, 0xFFFFFFF0); }),
         noSection},
        {"unknown optional header", damaged([](std::string& b) { b[layout::kOptionalHeader] = 7; }),
         noSection},
        {"two data directories",
         damaged([](std::string& b) { Put32(b, layout::kOptionalHeader + 108, 2); }), noSection},
        {"section table past the end",
         damaged([](std::string& b) { Put32(b, layout::kPeHeader + 4 + 2, 0xFFFF); }), noSection},
        {"raw data past the end",
         damaged([](std::string& b) { Put32(b, layout::kSectionTable + 20, 0x7000); }),
         noSection},
        {"subdirectory past the section",
         damaged([](std::string& b) { Put32(b, layout::kResources + 20, 0x80007000); }),
         noSection},
        {"language directory that is the root",
         damaged([](std::string& b) { Put32(b, layout::kNameDirectory + 20, 0x80000000); }),
         noSection},
        {"name level holding data",
         damaged([](std::string& b) { Put32(b, layout::kResources + 20, 0x48); }), noSection},
        {"entry counts past the section",
         damaged([](std::string& b) { Put32(b, layout::kNameDirectory + 12, 0xFFFFFFFF); }),
         noSection},
        {"data RVA outside the image",
         damaged([](std::string& b) { Put32(b, layout::kDataEntry, 0x7000); }), noSection},
        {"data size past the section",
         damaged([](std::string& b) { Put32(b, layout::kDataEntry + 4, 0x7FFFFFFF); }),
         noSection},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string resource;
        uint32_t error = 0;
        EXPECT_FALSE(FindVersionResource(c.bytes, &resource, &error));
        EXPECT_EQ(error, c.error);
    }
}

TEST(FindVersionResource, PrefersTheLanguagesTheLoaderPrefers) {
    auto inLanguage = [](uint16_t language) {
        testsupport::VersionInfo info = Spec();
        info.language = language;
        info.fileVersion[0] = language;  // tells the blocks apart
        return info;
    };
    struct Case {
        std::vector<uint16_t> languages;
        uint16_t userLanguage;
        uint16_t chosen;
    };
    const Case cases[] = {
        {{0x0401, 0x0407, 0x0409}, 0x0407, 0x0407},  // the user's
        {{0x0401, 0x0407, 0x0409}, 0x0C07, 0x0407},  // the user's primary language
        {{0x0401, 0x0407, 0x0409}, 0x0411, 0x0409},  // English
        {{0x0000, 0x0407, 0x0409}, 0x0407, 0x0000},  // neutral, before all
        {{0x0401, 0x0407}, 0x0411, 0x0401},          // the first
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "user language " << std::hex << c.userLanguage);
        std::vector<testsupport::VersionInfo> versions;
        for (uint16_t language : c.languages) versions.push_back(inLanguage(language));
        std::string resource;
        uint32_t error = 0;
        ASSERT_TRUE(FindVersionResource(testsupport::BuildPeWithVersions(versions), &resource, &error,
                                        c.userLanguage));
        EXPECT_EQ(resource, testsupport::BuildVersionBlock(inLanguage(c.chosen)));
    }
}

TEST(FindVersionResource, RefusesEveryCutOffImage) {
    const std::string image = testsupport::BuildPeWithVersion(Spec());
    for (size_t length = 0; length < image.size(); ++length) {
        std::string resource;
        uint32_t error = 0;
        ASSERT_FALSE(FindVersionResource(std::string_view(image).substr(0, length), &resource,
                                         &error))
            << length;
        ASSERT_EQ(error, platform::kErrResourceDataNotFound) << length;
    }
}

// Damaged bytes anywhere must not take the reader outside the file, and whatever it
// hands back must be safe to query.
TEST(FindVersionResource, SurvivesDamageAnywhere) {
    const std::string good = testsupport::BuildPeWithVersion(Spec());
    std::mt19937 random(1);
    for (int round = 0; round < 20000; ++round) {
        std::string image = good;
        for (int hits = 1 + random() % 3; hits > 0; --hits)
            image[random() % image.size()] = static_cast<char>(random());
        std::string resource;
        uint32_t error = 0;
        if (!FindVersionResource(image, &resource, &error)) continue;
        for (const char16_t* path : {u"\\", u"\\StringFileInfo\\040904B0\\CompanyName",
                                     u"\\VarFileInfo\\Translation"}) {
            const void* value;
            unsigned length;
            if (!QueryVersionValue(resource.data(), resource.size(), path, &value, &length))
                continue;
            const char* at = static_cast<const char*>(value);
            ASSERT_GE(at, resource.data());
            ASSERT_LE(at + length, resource.data() + resource.size());
        }
    }
}

struct Query {
    const char16_t* path;
    unsigned length;            // as VerQueryValueW gives it
    const char16_t* text;       // a text value, or none
    uint32_t firstDword;        // else the value's first four bytes
};

TEST(QueryVersionValue, FindsValuesByPath) {
    const std::string block = testsupport::BuildVersionBlock(Spec());
    const Query queries[] = {
        {u"", 52, nullptr, 0xFEEF04BD},
        {u"\\", 52, nullptr, 0xFEEF04BD},
        {u"\\VarFileInfo\\Translation", 4, nullptr, 0x04B00409},
        {u"varfileinfo\\\\TRANSLATION\\", 4, nullptr, 0x04B00409},
        {u"\\StringFileInfo\\040904b0\\ProductVersion", 16, u"5.6.32767.65535", 0},
        {u"\\StringFileInfo\\040904B0\\companyname", 14, u"Example Maker", 0},
        {u"\\StringFileInfo\\040904b0\\Comments", 1, u"", 0},
        {u"\\StringFileInfo", 0, nullptr, 0},
    };
    for (const Query& q : queries) {
        SCOPED_TRACE(std::string(q.path, q.path + std::char_traits<char16_t>::length(q.path)));
        const void* value = nullptr;
        unsigned length = 0;
        ASSERT_TRUE(QueryVersionValue(block.data(), block.size(), q.path, &value, &length));
        EXPECT_EQ(length, q.length);
        if (q.text) {
            EXPECT_EQ(std::u16string(static_cast<const char16_t*>(value)), q.text);
        } else if (q.length >= 4) {
            EXPECT_EQ(Get32(value), q.firstDword);
        }
    }

    const void* value = nullptr;
    unsigned length = 0;
    ASSERT_TRUE(QueryVersionValue(block.data(), block.size(), u"\\", &value, &length));
    platform::FixedFileInfo fixed;
    std::memcpy(&fixed, value, sizeof fixed);
    EXPECT_EQ(fixed.fileVersionMS, 0x00010002u);  // 1.2
    EXPECT_EQ(fixed.fileVersionLS, 0x00030004u);  // .3.4
    EXPECT_EQ(fixed.productVersionMS, 0x00050006u);
    EXPECT_EQ(fixed.productVersionLS, 0x7FFFFFFFu);
}

TEST(QueryVersionValue, MissingPathsGiveNothing) {
    const std::string block = testsupport::BuildVersionBlock(Spec());
    for (const char16_t* path :
         {u"\\String", u"\\StringFileInfo\\040904b0\\Product", u"\\StringFileInfo\\040904e4",
          u"\\VarFileInfo\\Translation\\More", u"\\VS_VERSION_INFO", u"\\StringFileInfo\\040904b0"
                                                                    u"\\ProductVersionX"}) {
        const void* value = &block;
        unsigned length = 99;
        EXPECT_FALSE(QueryVersionValue(block.data(), block.size(), path, &value, &length));
        EXPECT_EQ(length, 0u);
        EXPECT_EQ(value, &block);
    }
}

// The offset in the block of the node whose key is key.
size_t NodeOf(const std::string& block, std::u16string_view key) {
    const std::string bytes(reinterpret_cast<const char*>(key.data()), key.size() * 2);
    return block.find(bytes) - 6;
}

void Put16(std::string& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<char>(value);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

TEST(QueryVersionValue, StopsAtDamagedLengths) {
    const std::string good = testsupport::BuildVersionBlock(Spec());
    const char16_t* const version = u"\\StringFileInfo\\040904b0\\ProductVersion";
    struct Case {
        const char* name;
        std::u16string_view key;  // of the node whose wLength is set, if any
        uint16_t wLength;
        size_t size;  // of the block passed
        const char16_t* path;
    };
    const Case cases[] = {
        {"root longer than the block", {}, 0, good.size() - 1, version},
        {"block shorter than a header", {}, 0, 4, u"\\"},
        {"root of length 0", u"VS_VERSION_INFO", 0, good.size(), u"\\"},
        {"child of length 0", u"StringFileInfo", 0, good.size(), version},
        {"child past its parent", u"040904B0", 0xFFF0, good.size(), version},
        {"child shorter than its header", u"StringFileInfo", 4, good.size(), version},
        // The node ends inside its key, after "Pro".
        {"key without its end", u"ProductVersion", 12, good.size(),
         u"\\StringFileInfo\\040904b0\\Pro"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string block = good;
        if (!c.key.empty()) Put16(block, NodeOf(block, c.key), c.wLength);
        const void* value;
        unsigned length;
        EXPECT_FALSE(QueryVersionValue(block.data(), c.size, c.path, &value, &length));
    }

    // A text value that claims more than its node holds is cut to the node.
    std::string block = good;
    Put16(block, NodeOf(block, u"ProductVersion") + 2, 0x7FFF);
    const void* value;
    unsigned length;
    ASSERT_TRUE(QueryVersionValue(block.data(), block.size(), version, &value, &length));
    EXPECT_EQ(length, 16u);
}

}  // namespace

// The layout of rewritten PE images: whatever the resources become, the file
// stays a valid image that binutils read, every other section keeps its bytes,
// and what followed the sections (COFF symbols, strings) follows them again.
#include "peinfo.h"
#include "pewriter.h"
#include "reswriter.h"
#include "restokens.h"
#include "testimages.h"
#include "tokenio.h"
#include "tokenmerge.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

namespace fs = std::filesystem;

// Every token of the source translated: `prefix` before each text, status 4.
TokenTable translateAll(const std::vector<std::uint8_t> &source, const std::string &prefix)
{
    std::string bytes;
    for (const ResourceToken &t : ExtractTokens(ReadResourceFile(source)))
        bytes += "[[" + std::to_string(t.type) + "|" + t.name + "|" + t.item + "|" + t.position + "|4|" + t.extra +
                 "]]=" + prefix + t.text + "\r\n";
    TokenTable table;
    LoadTokens(bytes, table);
    return table;
}

std::vector<std::uint8_t> asBytes(const std::string &s)
{
    return std::vector<std::uint8_t>(s.begin(), s.end());
}

class Layout : public testing::Test
{
protected:
    fs::path dir;

    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("tamrix-layout-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // objdump reads the image without a complaint, windres decompiles it and
    // strip rewrites it; gives windres' text.
    std::string checkWithBinutils(const std::vector<std::uint8_t> &image)
    {
        const fs::path file = dir / "out.dll";
        WriteBytes(file, image);
        std::string output;
#ifdef OBJDUMP
        EXPECT_EQ(RunCommand("( '" OBJDUMP "' -x '" + file.string() + "' > /dev/null )", output), 0) << output;
        EXPECT_EQ(output, "") << "objdump complains";
        EXPECT_EQ(RunCommand("'" STRIP "' -o '" + (dir / "stripped.dll").string() + "' '" + file.string() + "'",
                             output),
                  0)
            << output;
        EXPECT_EQ(output, "") << "strip complains";
#endif
        EXPECT_EQ(RunCommand("'" WINDRES "' -i '" + file.string() + "' -O rc", output), 0) << output;
        return output;
    }
};

// Every section but the resources has the same bytes in both images.
void expectOtherSectionsUnchanged(const std::vector<std::uint8_t> &before, const std::vector<std::uint8_t> &after)
{
    const PeInfo a(before);
    const PeInfo b(after);
    for (const PeSection &s : a.sections) {
        if (s.name == ".rsrc")
            continue;
        const PeSection *t = b.find(s.name);
        ASSERT_NE(t, nullptr) << s.name;
        EXPECT_EQ(t->virtualAddress, s.virtualAddress) << s.name;
        EXPECT_EQ(t->virtualSize, s.virtualSize) << s.name;
        EXPECT_EQ(t->characteristics, s.characteristics) << s.name;
        EXPECT_TRUE(PeInfo::bytesOf(*t, after) == PeInfo::bytesOf(s, before)) << s.name;
    }
}

// The COFF symbols and strings are the same bytes at the place the header gives.
void expectSymbolsKept(const std::vector<std::uint8_t> &before, const std::vector<std::uint8_t> &after,
                       std::size_t droppedAtEnd = 0)
{
    const PeInfo a(before);
    const PeInfo b(after);
    ASSERT_NE(a.symbolPointer, 0u) << "the test image has no symbol table";
    EXPECT_EQ(b.symbolCount, a.symbolCount);
    ASSERT_LE(b.symbolPointer, after.size());
    const std::vector<std::uint8_t> tailBefore(before.begin() + a.symbolPointer, before.end() - droppedAtEnd);
    const std::vector<std::uint8_t> tailAfter(after.begin() + b.symbolPointer, after.end());
    EXPECT_TRUE(tailBefore == tailAfter) << "symbol and string tables differ";
}

const std::string kLong = "Traduction bien plus longue que le texte d'origine, pour que les ressources grandissent "
                          "au-del\xE0 de leur place - ";

TEST_F(Layout, LastResourceSectionGrowsInPlaceWithTheSymbolsBehindIt)
{
    for (const char *name : {"sample.dll", "sample32.dll"}) {
        SCOPED_TRACE(name);
        const auto source = ReadImage(name);
        if (source.empty())
            continue; // no 32-bit tools
        const LocalisedFile written = WriteLocalisedFile(source, translateAll(source, kLong), MakeLangId(12, 1));
        const auto out = asBytes(written.bytes);
        const PeInfo a(source);
        const PeInfo b(out);
        EXPECT_TRUE(written.notes.empty());
        ASSERT_EQ(b.sections.size(), a.sections.size());
        EXPECT_GT(b.sections.back().rawSize, a.sections.back().rawSize);
        EXPECT_EQ(b.sections.back().name, ".rsrc");
        EXPECT_EQ(b.directoryAddress(2, out), b.sections.back().virtualAddress);
        EXPECT_EQ(b.sizeOfImage, (b.sections.back().virtualAddress + b.sections.back().virtualSize + 0xFFFu) & ~0xFFFu);
        expectOtherSectionsUnchanged(source, out);
        expectSymbolsKept(source, out);
        const std::string rc = checkWithBinutils(out);
        EXPECT_NE(rc.find("LANGUAGE 12, 1"), std::string::npos);
        EXPECT_NE(rc.find("Traduction bien plus longue"), std::string::npos);
    }
}

TEST_F(Layout, ResourcesThatCannotGrowGoToANewRsrcSectionAndLeaveTheirSpace)
{
    for (const char *name : {"behind.dll", "behind32.dll"}) {
        SCOPED_TRACE(name);
        const auto source = ReadImage(name);
        if (source.empty())
            continue;
        const PeInfo a(source);
        ASSERT_NE(a.find(".reloc"), nullptr);
        ASSERT_NE(a.find(".debug_info"), nullptr) << "a long section name from the string table";
        const PeSection oldResources = *a.find(".rsrc");
        ASSERT_NE(&a.sections.back(), a.find(".rsrc")) << "the resources must not be last";

        const LocalisedFile written = WriteLocalisedFile(source, translateAll(source, kLong), MakeLangId(12, 1));
        const auto out = asBytes(written.bytes);
        const PeInfo b(out);
        ASSERT_EQ(b.sections.size(), a.sections.size() + 1);
        // The new section is the last one and bears the name; the old one keeps
        // its addresses but no file space.
        const PeSection &added = b.sections.back();
        EXPECT_EQ(added.name, ".rsrc");
        EXPECT_EQ(std::count_if(b.sections.begin(), b.sections.end(), [](const PeSection &s) { return s.name == ".rsrc"; }), 1);
        const PeSection *old = b.find(".oldrsrc");
        ASSERT_NE(old, nullptr);
        EXPECT_EQ(old->virtualAddress, oldResources.virtualAddress);
        EXPECT_EQ(old->virtualSize, oldResources.virtualSize);
        EXPECT_EQ(old->rawSize, 0u);
        EXPECT_EQ(b.directoryAddress(2, out), added.virtualAddress);
        EXPECT_EQ(b.directorySize(2, out), added.virtualSize);
        EXPECT_GT(added.virtualAddress, a.sections.back().virtualAddress);
        EXPECT_EQ(b.sizeOfImage, (added.virtualAddress + added.virtualSize + 0xFFFu) & ~0xFFFu);
        // The file grows by the difference of the two resource sections only.
        EXPECT_EQ(out.size(), source.size() - oldResources.rawSize + added.rawSize);
        expectOtherSectionsUnchanged(source, out);
        expectSymbolsKept(source, out);
        // Its resources read back translated.
        const auto back = ExtractTokens(ReadResourceFile(out), {MakeLangId(12, 1)});
        ASSERT_FALSE(back.empty());
        EXPECT_EQ(back.front().text.substr(0, kLong.size()), kLong);
        const std::string rc = checkWithBinutils(out);
        EXPECT_NE(rc.find("LANGUAGE 12, 1"), std::string::npos);
        EXPECT_NE(rc.find("Traduction bien plus longue"), std::string::npos);
    }
}

TEST_F(Layout, ResourcesThatFitStayWhereTheyAre)
{
    for (const char *name : {"behind.dll", "sample.dll"}) {
        SCOPED_TRACE(name);
        const auto source = ReadImage(name);
        // Written in the source's own language, the copies replace the originals.
        const LocalisedFile written = WriteLocalisedFile(source, translateAll(source, ""), MakeLangId(9, 1));
        const auto out = asBytes(written.bytes);
        const PeInfo a(source);
        const PeInfo b(out);
        EXPECT_EQ(out.size(), source.size());
        ASSERT_EQ(b.sections.size(), a.sections.size());
        EXPECT_EQ(b.find(".rsrc")->rawPointer, a.find(".rsrc")->rawPointer);
        EXPECT_EQ(b.symbolPointer, a.symbolPointer);
        expectOtherSectionsUnchanged(source, out);
        expectSymbolsKept(source, out);
        checkWithBinutils(out);
    }
}

// A fake WIN_CERTIFICATE behind the symbols, named by the security directory.
std::vector<std::uint8_t> signedCopy(std::vector<std::uint8_t> image, std::size_t &certificateSize)
{
    const PeInfo info(image);
    image.resize((image.size() + 7) / 8 * 8, 0);
    const std::uint32_t at = static_cast<std::uint32_t>(image.size());
    const std::uint8_t header[8] = {0x10, 0x01, 0, 0, 0x00, 0x02, 0x02, 0x00}; // length 272, revision 2, PKCS#7
    image.insert(image.end(), header, header + 8);
    image.resize(at + 272, 0x5A);
    certificateSize = image.size() - at;
    for (int i = 0; i < 4; ++i) {
        image[info.directories + 32 + i] = static_cast<std::uint8_t>(at >> (8 * i));
        image[info.directories + 36 + i] = static_cast<std::uint8_t>(272 >> (8 * i));
    }
    return image;
}

TEST_F(Layout, CertificateTableIsDroppedWithANote)
{
    for (const char *name : {"behind.dll", "sample.dll"}) {
        for (const std::string &prefix : {std::string(), kLong}) {
            SCOPED_TRACE(std::string(name) + (prefix.empty() ? " same size" : " grown"));
            const auto plain = ReadImage(name);
            std::size_t certificateSize = 0;
            const auto source = signedCopy(plain, certificateSize);
            const LocalisedFile written = WriteLocalisedFile(source, translateAll(source, prefix), MakeLangId(12, 1));
            const auto out = asBytes(written.bytes);
            const PeInfo b(out);
            EXPECT_EQ(b.directoryAddress(4, out), 0u);
            EXPECT_EQ(b.directorySize(4, out), 0u);
            ASSERT_EQ(written.notes.size(), 1u);
            EXPECT_NE(written.notes[0].find("certificate"), std::string::npos);
            EXPECT_EQ(std::search_n(out.begin(), out.end(), 64, 0x5A), out.end()) << "certificate bytes left";
            expectSymbolsKept(source, out, certificateSize);
            expectOtherSectionsUnchanged(plain, out);
            checkWithBinutils(out);
        }
    }
}

TEST_F(Layout, ImageWithoutResourcesStaysAsItIs)
{
    const auto source = ReadImage("nores.dll");
    ASSERT_FALSE(source.empty());
    EXPECT_TRUE(ReadResourceFile(source).resources.empty());
    TokenTable none;
    const LocalisedFile written = WriteLocalisedFile(source, none, MakeLangId(12, 1));
    EXPECT_TRUE(asBytes(written.bytes) == source);
}

TEST_F(Layout, ChecksumIsKeptRightWhereOneWasSet)
{
    auto source = ReadImage("behind.dll");
    const PeInfo a(source);
    source[a.optional + 64] = 1; // any value that is not 0 asks for a checksum
    const auto out = asBytes(WriteLocalisedFile(source, translateAll(source, kLong), MakeLangId(12, 1)).bytes);
    const PeInfo b(out);
    // The sum of the image's 16-bit words, the checksum field left out, folded, plus its length.
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i + 1 < out.size(); i += 2) {
        if (i == b.optional + 64 || i == b.optional + 66)
            continue;
        sum += out[i] | (out[i + 1] << 8);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    if (out.size() % 2)
        sum += out.back();
    sum = (sum & 0xFFFF) + (sum >> 16);
    EXPECT_EQ(b.checksum, sum + out.size());
}

// The new section's header goes behind the section table: bound imports there
// give way (the loader does without them); anything else there stops the writing.
TEST_F(Layout, RoomForTheNewSectionHeader)
{
    const auto plain = ReadImage("behind.dll");
    const PeInfo info(plain);
    const std::size_t table = info.optional + PeInfo::u16(plain, info.coff + 16);
    const std::size_t behind = table + 40 * info.sections.size();
    auto withBytesBehind = [&](bool bound) {
        auto image = plain;
        std::fill(image.begin() + static_cast<std::ptrdiff_t>(behind),
                  image.begin() + static_cast<std::ptrdiff_t>(behind + 24), 0x11);
        if (bound) {
            for (int i = 0; i < 4; ++i) {
                image[info.directories + 88 + i] = static_cast<std::uint8_t>(behind >> (8 * i));
                image[info.directories + 92 + i] = static_cast<std::uint8_t>(24 >> (8 * i));
            }
        }
        return image;
    };
    const auto bound = withBytesBehind(true);
    const auto out = asBytes(WriteLocalisedFile(bound, translateAll(bound, kLong), MakeLangId(12, 1)).bytes);
    const PeInfo b(out);
    EXPECT_EQ(b.sections.size(), info.sections.size() + 1);
    EXPECT_EQ(b.directoryAddress(11, out), 0u);
    EXPECT_EQ(b.directorySize(11, out), 0u);
    checkWithBinutils(out);

    const auto other = withBytesBehind(false);
    try {
        WriteLocalisedFile(other, translateAll(other, kLong), MakeLangId(12, 1));
        ADD_FAILURE() << "written over what lies behind the section table";
    } catch (const ResourceError &e) {
        EXPECT_NE(std::string(e.what()).find("no room for another section header"), std::string::npos) << e.what();
    }
}

} // namespace

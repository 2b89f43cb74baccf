// The certificate table's layout on real files signed by osslsigncode (the
// signing fixtures: a PE32+ setup and a PE32 program), changed the ways a
// signature can carry more than itself. Whether WinVerifyTrust still accepts
// them is PublisherCheckTest's; this is the layout alone.
#include "completion/CertificateTable.h"
#include "support/ScratchFiles.h"
#include "support/SigningFixtures.h"

#include <gtest/gtest.h>

#include <wintrust.h>

#include <cstdint>
#include <cstring>
#include <functional>

using namespace TestSupport;

namespace {

std::uint32_t Read32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

void Write32(std::string& bytes, std::size_t at, std::uint32_t value) { std::memcpy(&bytes[at], &value, sizeof value); }

// Where the security directory's entry (file offset, size) is: PE32 and PE32+
// keep their data directories at different offsets of the optional header.
std::size_t SecurityEntry(const std::string& image) {
    const std::size_t optional = Read32(image, 0x3C) + 4 + sizeof(IMAGE_FILE_HEADER);
    const bool pe32 = (Read32(image, optional) & 0xFFFF) == IMAGE_NT_OPTIONAL_HDR32_MAGIC;
    return optional +
           (pe32 ? offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory)
                 : offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory)) +
           IMAGE_DIRECTORY_ENTRY_SECURITY * sizeof(IMAGE_DATA_DIRECTORY);
}

struct Table {
    std::size_t Offset;  // of the WIN_CERTIFICATE, from the security directory
    std::size_t Size;    // the security directory's size
    std::size_t Exact;   // 8 plus the DER length of the PKCS#7 blob
};

Table TableOf(const std::string& image) {
    const std::size_t offset = Read32(image, SecurityEntry(image));
    const auto* der = reinterpret_cast<const unsigned char*>(image.data() + offset + 8);
    EXPECT_EQ(der[0], 0x30);
    EXPECT_EQ(der[1], 0x82) << "the fixtures' signatures are between 256 bytes and 64 KiB";
    return {offset, Read32(image, SecurityEntry(image) + 4), 8 + 4 + (std::size_t{der[2]} << 8 | der[3])};
}

// Appends `extra` inside the table: the certificate's dwLength and the
// directory's size grow with it, as WinVerifyTrust lets them.
std::string GrownInside(std::string image, const std::string& extra) {
    const Table table = TableOf(image);
    Write32(image, SecurityEntry(image) + 4, static_cast<std::uint32_t>(table.Size + extra.size()));
    Write32(image, table.Offset, Read32(image, table.Offset) + static_cast<std::uint32_t>(extra.size()));
    return image + extra;
}

using Mutation = std::function<void(std::string&, const Table&)>;

class CertificateTableTest : public ::testing::Test {
protected:
    ScratchFolder folder;

    bool IsWhole(const std::string& bytes) {
        const std::wstring path = folder.Path() + L"setup.exe";
        WriteFileBytes(path, bytes);
        const Win::UniqueFile file(
            CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_TRUE(file);
        return CertificateTableIsWhole(file.get());
    }
};

// Only the one signature, ending at the end of the file, with dwLength 8 plus
// its DER length or that rounded to 8, zero padding and a directory of the
// rounded size, is whole, in a PE32+ setup and a PE32 program alike.
TEST_F(CertificateTableTest, OnlyTheOneSignatureEndingTheFileIsWhole) {
    const std::string fourKiB(4096, 'P');
    const struct {
        const char* Label;
        Mutation Change;
        bool Whole;
    } cases[] = {
        {"as signed", [](std::string&, const Table&) {}, true},
        {"dwLength without the rounding",
         [](std::string& b, const Table& t) { Write32(b, t.Offset, static_cast<std::uint32_t>(t.Exact)); }, true},
        {"4 KiB grown inside", [&](std::string& b, const Table&) { b = GrownInside(b, fourKiB); }, false},
        {"8 zero bytes grown inside", [](std::string& b, const Table&) { b = GrownInside(b, std::string(8, '\0')); },
         false},
        {"dwLength one more", [](std::string& b, const Table& t) { Write32(b, t.Offset, Read32(b, t.Offset) + 1); },
         false},
        {"dwLength one less than 8 plus the DER",
         [](std::string& b, const Table& t) { Write32(b, t.Offset, static_cast<std::uint32_t>(t.Exact - 1)); }, false},
        {"directory one less",
         [](std::string& b, const Table& t) {
             Write32(b, SecurityEntry(b) + 4, static_cast<std::uint32_t>(t.Size - 1));
             b.pop_back();
         },
         false},
        {"two certificates",
         [](std::string& b, const Table& t) {
             const std::string second = b.substr(t.Offset, t.Size);
             Write32(b, SecurityEntry(b) + 4, static_cast<std::uint32_t>(t.Size * 2));
             b += second;
         },
         false},
        {"data after the certificate", [](std::string& b, const Table&) { b += "payload!"; }, false},
        {"directory beyond the end",
         [](std::string& b, const Table& t) {
             Write32(b, SecurityEntry(b) + 4, static_cast<std::uint32_t>(t.Size + 8));
         },
         false},
        {"revision 1.0", [](std::string& b, const Table& t) { b[t.Offset + 4] = 0x00, b[t.Offset + 5] = 0x01; },
         false},
        {"X.509 type", [](std::string& b, const Table& t) { b[t.Offset + 6] = WIN_CERT_TYPE_X509; }, false},
        {"non-zero padding", [](std::string& b, const Table&) { b.back() = 1; }, false},
        {"no security directory",
         [](std::string& b, const Table& t) {
             Write32(b, SecurityEntry(b), 0), Write32(b, SecurityEntry(b) + 4, 0);
             b.resize(t.Offset);
         },
         false},
    };
    for (const char* setup : {"publisher", "pe32"}) {
        const std::string image = FixtureSetupBytes(setup);
        const Table table = TableOf(image);
        // What osslsigncode writes (the rows change it): the one certificate ends the file, dwLength is
        // rounded up to 8, and there is padding.
        ASSERT_EQ(table.Offset + table.Size, image.size()) << setup;
        ASSERT_EQ(Read32(image, table.Offset), table.Size) << setup;
        ASSERT_EQ(table.Size, (table.Exact + 7) / 8 * 8) << setup;
        ASSERT_GT(table.Size, table.Exact) << setup << ": the rows need padding to change";
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(setup) + ": " + c.Label);
            std::string bytes = image;
            c.Change(bytes, table);
            EXPECT_EQ(IsWhole(bytes), c.Whole);
        }
    }
    EXPECT_FALSE(IsWhole(FixtureSetupBytes("unsigned")));
    EXPECT_FALSE(IsWhole("MZ but no program"));
}

}  // namespace

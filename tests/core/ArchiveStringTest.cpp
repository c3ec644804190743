#include <gtest/gtest.h>

#include "core/formats/ArchiveReader.h"
#include "core/formats/ArchiveWriter.h"

namespace brivanta {
namespace {

std::string framed(const std::string& s) {
    std::string out;
    StringSink sink(out);
    ArchiveWriter writer(sink);
    writer.writeString(s);
    writer.flush();
    return out;
}

TEST(ArchiveString, LengthFormsChangeAtTheirThresholds) {
    struct Case {
        size_t length;
        std::string prefix;
    };
    const Case cases[] = {
        {0, std::string("\x00", 1)},
        {254, "\xFE"},
        {255, std::string("\xFF\xFF\x00", 3)},
        {0xFFFD, "\xFF\xFD\xFF"},
        {0xFFFE, std::string("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7)},
        {70000, std::string("\xFF\xFF\xFF\x70\x11\x01\x00", 7)},
    };
    for (const Case& c : cases) {
        std::string payload(c.length, 'x');
        std::string bytes = framed(payload);
        ASSERT_EQ(bytes.size(), c.prefix.size() + c.length) << c.length;
        EXPECT_EQ(bytes.substr(0, c.prefix.size()), c.prefix) << c.length;

        MemorySource source(bytes);
        ArchiveReader reader(source);
        std::string back;
        ASSERT_TRUE(reader.readString(back)) << c.length;
        EXPECT_EQ(back, payload);
        EXPECT_FALSE(reader.readString(back));
        EXPECT_TRUE(reader.atEnd());
    }
}

TEST(ArchiveString, ReadsTheWideFormAsGbk) {
    // 0xFF 0xFE 0xFF announces UTF-16; then a length in characters: "A中" = 2 characters.
    std::string bytes(
        "\xFF\xFE\xFF\x02"
        "A\x00\x2D\x4E",
        8);
    MemorySource source(bytes);
    ArchiveReader reader(source);
    std::string out;
    ASSERT_TRUE(reader.readString(out));
    EXPECT_EQ(out, "A\xD6\xD0");  // 中 in GBK
}

TEST(ArchiveString, AStringCutShortEndsTheData) {
    std::string bytes = framed("hello");
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        MemorySource source(bytes.data(), cut);
        ArchiveReader reader(source);
        std::string out;
        EXPECT_FALSE(reader.readString(out)) << cut;
        EXPECT_TRUE(reader.atEnd());
    }
}

TEST(ArchiveString, AClaimedLengthIsNotTakenOnTrust) {
    // Claims 4 GiB, holds 10 bytes: the read must fail without reserving the claimed size.
    std::string bytes(
        "\xFF\xFF\xFF\xF0\xFF\xFF\xFF"
        "0123456789",
        17);
    MemorySource source(bytes);
    ArchiveReader reader(source);
    std::string out;
    EXPECT_FALSE(reader.readString(out));
    EXPECT_LT(out.capacity(), size_t(4) << 20);
}

TEST(ArchiveString, LongStringsArriveInPiecesFromASlowSource) {
    // A source that hands out 7 bytes at a time, as a connection might.
    class Trickle : public ByteSource {
      public:
        explicit Trickle(const std::string& data) : data_(data) {}
        size_t read(char* buffer, size_t size) override {
            size_t n = std::min({size, size_t(7), data_.size() - pos_});
            std::copy_n(data_.data() + pos_, n, buffer);
            pos_ += n;
            return n;
        }

      private:
        const std::string& data_;
        size_t pos_ = 0;
    };
    std::string big(3 << 20, 'b');
    big[12345] = 'X';
    std::string bytes = framed(big) + framed("tail");
    Trickle source(bytes);
    ArchiveReader reader(source, 16);
    std::string out;
    ASSERT_TRUE(reader.readString(out));
    EXPECT_EQ(out, big);
    ASSERT_TRUE(reader.readString(out));
    EXPECT_EQ(out, "tail");
}

TEST(ArchiveString, Int32IsLittleEndianAndSigned) {
    std::string out;
    StringSink sink(out);
    {
        ArchiveWriter writer(sink);
        writer.writeInt32(-2);
        writer.writeInt32(0x01020304);
    }
    EXPECT_EQ(out, std::string("\xFE\xFF\xFF\xFF\x04\x03\x02\x01", 8));
    MemorySource source(out);
    ArchiveReader reader(source);
    std::int32_t a = 0, b = 0, c = 0;
    EXPECT_TRUE(reader.readInt32(a));
    EXPECT_TRUE(reader.readInt32(b));
    EXPECT_FALSE(reader.readInt32(c));
    EXPECT_EQ(a, -2);
    EXPECT_EQ(b, 0x01020304);
}

}  // namespace
}  // namespace brivanta

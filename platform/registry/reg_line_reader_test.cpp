#include "platform/registry/reg_line_reader.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/registry/testing/registry_testing.h"

namespace {

struct Line {
  std::u16string text;
  uint64_t number;
  uint64_t next_offset;
  bool ended;
  bool operator==(const Line& o) const {
    return text == o.text && number == o.number && next_offset == o.next_offset && ended == o.ended;
  }
};

template <size_t UNIT>
std::vector<Line> ReadLines(RegLineReader<UNIT>& reader) {
  std::vector<Line> lines;
  while (reader.NextLine()) {
    Line line{u"", reader.LineNumber(), reader.NextLineOffset(), reader.LineEnded()};
    for (size_t i = reader.Begin(); i < reader.End(); ++i) line.text += reader.Unit(i);
    lines.push_back(line);
  }
  return lines;
}

TEST(RegLineReader, EveryLineEndInPiecesOfAnySize) {
  const std::vector<uint8_t> bytes = NarrowBytes("a\r\nbb\ncc\r\rd\r\ne");
  const std::vector<Line> expected = {
      {u"a", 1, 3, true}, {u"bb", 2, 6, true}, {u"cc", 3, 9, true},
      {u"", 4, 10, true}, {u"d", 5, 13, true}, {u"e", 6, 14, false},
  };
  for (size_t step = 1; step <= 8; ++step) {
    TrickleSource source(bytes, step);
    RegLineReader<1> reader(source, {}, 0);
    EXPECT_EQ(ReadLines(reader), expected) << "step " << step;
    EXPECT_EQ(reader.ReadError(), 0);
    EXPECT_FALSE(reader.StrayByte());
    EXPECT_EQ(reader.DominantLineEnd(), RegLineEnd::CrLf);  // 2 CRLF, 1 LF, 2 CR
  }
}

TEST(RegLineReader, Utf16UnitsOffsetsAndStrayByte) {
  // The text after a byte-order mark: offsets count the mark's two bytes.
  std::vector<uint8_t> bytes = Utf16Bytes(u"\u4e2d\r\nx\ny");
  const std::vector<Line> expected = {
      {u"\u4e2d", 1, 8, true}, {u"x", 2, 12, true}, {u"y", 3, 14, false}};
  for (size_t step = 1; step <= 5; ++step) {
    TrickleSource source(bytes, step);
    RegLineReader<2> reader(source, {}, 2);
    EXPECT_EQ(ReadLines(reader), expected) << "step " << step;
    EXPECT_FALSE(reader.StrayByte());
  }
  bytes.push_back('!');
  MemoryByteSource source(bytes.data(), bytes.size());
  RegLineReader<2> reader(source, {}, 2);
  EXPECT_EQ(ReadLines(reader).size(), 3u);
  EXPECT_TRUE(reader.StrayByte());
}

TEST(RegLineReader, StartBytesAndLongLines) {
  std::string long_line(3 * RegLineReader<1>::CHUNK, 'z');
  std::vector<uint8_t> rest = NarrowBytes(long_line + "\nend");
  MemoryByteSource source(rest.data(), rest.size());
  RegLineReader<1> reader(source, NarrowBytes("first\r\n"), 100);
  std::vector<Line> lines = ReadLines(reader);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], (Line{u"first", 1, 107, true}));
  EXPECT_EQ(lines[1].text.size(), long_line.size());
  EXPECT_EQ(lines[2], (Line{u"end", 3, 107 + long_line.size() + 4, false}));
}

class FailingSource : public RegByteSource {
 public:
  int Read(uint8_t*, size_t, size_t*) override { return EIO; }
};

TEST(RegLineReader, ReadFailureEndsTheLines) {
  FailingSource source;
  RegLineReader<1> reader(source, NarrowBytes("a\nb"), 0);
  ASSERT_TRUE(reader.NextLine());
  EXPECT_FALSE(reader.NextLine());  // "b" may go on: the next read fails
  EXPECT_EQ(reader.ReadError(), EIO);
}

TEST(RegLineReader, ReadsALineEndFromTheLinesEndOn) {
  std::vector<uint8_t> bytes = NarrowBytes("ab\r\ncd");
  MemoryByteSource source(bytes.data(), bytes.size());
  RegLineReader<1> reader(source, {}, 0);
  ASSERT_TRUE(reader.NextLine());
  EXPECT_EQ(reader.At(1), u'b');
  EXPECT_EQ(reader.At(2), u'\n');
  EXPECT_EQ(reader.At(4), u'\n');  // "c" of the next line
  EXPECT_EQ(reader.FindLineEnd(0), 2u);
  EXPECT_EQ(reader.Limit(), 2u);
}

}  // namespace

#include "text/substring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "text/dyn_string.h"
#include "text/testing/record_reference_model.h"

namespace {

using Bytes = std::vector<unsigned char>;

DynString Make(const char* text) { return text == nullptr ? DynString() : DynString(text); }

std::string Show(const char* text) {
  return text == nullptr ? "(null)" : '"' + std::string(text) + '"';
}

// A caller's stream: reading a copy of given bytes, or writing to a scratch file.
class Stream {
 public:
  explicit Stream(const Bytes& bytes) : bytes_(bytes) {
    bytes_.reserve(bytes_.size() + 1);  // a non-null buffer even for no bytes
#ifdef _WIN32
    // No fmemopen: a scratch file holding the bytes, opened for reading only.
    path_ = (std::filesystem::temp_directory_path() /
             ("stream-" + std::to_string(std::random_device()())))
                .string();
    if (std::FILE* out = std::fopen(path_.c_str(), "wb")) {
      std::fwrite(bytes_.data(), 1, bytes_.size(), out);
      std::fclose(out);
    }
    file_ = std::fopen(path_.c_str(), "rb");
#else
    file_ = fmemopen(bytes_.data(), bytes_.size(), "rb");
#endif
  }
  Stream() : file_(std::tmpfile()) {}
  ~Stream() {
    std::fclose(file_);
    if (!path_.empty()) std::remove(path_.c_str());
  }
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  FILE* Get() const { return file_; }
  long Position() const { return std::ftell(file_); }
  // Everything written so far.
  Bytes Written() const {
    long end = Position();
    std::rewind(file_);
    Bytes bytes(static_cast<size_t>(end));
    if (end > 0) {
      EXPECT_EQ(std::fread(bytes.data(), bytes.size(), 1, file_), 1u);
    }
    return bytes;
  }

 private:
  Bytes bytes_;
  std::string path_;  // the scratch file standing in for fmemopen, if any
  FILE* file_;
};

// The record of text, built by hand.
Bytes Record(const std::string& text) {
  Bytes bytes(text.size() + 3);
  bytes[0] = static_cast<unsigned char>(text.size() & 0xff);
  bytes[1] = static_cast<unsigned char>(text.size() >> 8);
  std::copy(text.begin(), text.end(), bytes.begin() + 2);
  bytes.back() = '\n';
  return bytes;
}

TEST(DynStringSubstring, ByIndexAndCount) {
  struct Case {
    const char* text;
    int index, count;
    const char* expected;
  };
  const Case cases[] = {
      {"abcdef", 2, 3, "cde"},  {"abcdef", 0, 6, "abcdef"}, {"abcdef", 2, 0, ""},
      {"abcdef", 6, 0, ""},     {"abcdef", 4, 9, "ef"},     {"abcdef", 9, 2, ""},
      {"abcdef", -1, 3, "abc"}, {"abcdef", 2, -3, ""},      {"abcdef", INT_MAX, INT_MAX, ""},
      {nullptr, 0, 0, ""},      {nullptr, 0, 4, ""},        {"\xe9\xff", 1, 1, "\xff"},
  };
  for (const Case& c : cases) {
    DynString part = Make(c.text).Substring(c.index, c.count);
    EXPECT_STREQ(part.CStr(), c.expected) << Show(c.text) << " " << c.index << " " << c.count;
    EXPECT_FALSE(part.IsNull()) << Show(c.text) << " " << c.index << " " << c.count;
  }
}

TEST(DynStringSubstring, ResultIsSizedToItsText) {
  EXPECT_EQ(DynString("abcdef").Substring(2, 3).Capacity(), 3 + 13);
  EXPECT_EQ(DynString("abcdef").Substring(2, 0).Capacity(), 13);
}

TEST(DynStringSubstringRange, InclusiveRange) {
  struct Case {
    const char* text;
    int first, last;
    const char* expected;
  };
  const Case cases[] = {
      {"abcdef", 1, 3, "bcd"},     {"abcdef", 2, -1, "cdef"},
      {"abcdef", 3, 2, ""},        {"abcdef", 0, 5, "abcdef"},
      {"abcdef", 5, 5, "f"},       {"abcdef", 6, -1, ""},
      {"abcdef", 4, 50, "ef"},     {"abcdef", -2, 1, "ab"},
      {"abcdef", 4, 1, ""},        {"abcdef", 0, -2, ""},
      {"abcdef", INT_MAX, -1, ""}, {nullptr, 0, -1, ""},
      {nullptr, 0, 3, ""},         {"", 0, -1, ""},
  };
  for (const Case& c : cases) {
    DynString part = Make(c.text).SubstringRange(c.first, c.last);
    EXPECT_STREQ(part.CStr(), c.expected) << Show(c.text) << " " << c.first << " " << c.last;
    EXPECT_FALSE(part.IsNull()) << Show(c.text) << " " << c.first << " " << c.last;
  }
}

TEST(DynStringSlice, StartToEnd) {
  struct Case {
    const char* text;
    int start, end;
    const char* expected;
  };
  const Case cases[] = {
      {"abcdef", 1, 4, "bcd"},
      {"abcdef", 2, 100, "cdef"},
      {"abcdef", 3, 3, ""},
      {"abcdef", 0, 6, "abcdef"},
      {"abcdef", 6, 9, ""},
      {"abcdef", 9, 12, ""},
      {"abcdef", -3, 2, "ab"},
      {"abcdef", 4, 1, ""},
      {"abcdef", 1, INT_MAX, "bcdef"},
      {"", 0, 5, ""},
  };
  for (const Case& c : cases) {
    DynString part = Make(c.text).Slice(c.start, c.end);
    EXPECT_STREQ(part.CStr(), c.expected) << Show(c.text) << " " << c.start << " " << c.end;
    EXPECT_FALSE(part.IsNull()) << Show(c.text) << " " << c.start << " " << c.end;
  }
}

TEST(DynStringSlice, NullStringGivesNull) {
  EXPECT_TRUE(DynString().Slice(0, 3).IsNull());
  EXPECT_TRUE(DynString().Slice(0, 0).IsNull());
}

TEST(DynStringWriteBytes, CopiesRawBytesWithoutTerminator) {
  struct Case {
    const char* text;
    int p;
    const char* source;
    int n;
    const char* expected;
  };
  const Case cases[] = {
      {"abcdef", 1, "XY", 2, "aXYdef"}, {"abcdef", 4, "XYZ", 3, "abcdXYZ"},
      {"abc", 3, "XY", 3, "abcXY"},     {nullptr, 0, "abc", 3, "abc"},
      {"abcdef", 2, "Q\0R", 3, "abQ"},  {"abc", 1, "XY", 0, "abc"},
  };
  for (const Case& c : cases) {
    DynString s = Make(c.text);
    char* at = s.WriteBytes(c.p, c.source, c.n);
    ASSERT_NE(at, nullptr) << Show(c.text) << " " << c.p;
    EXPECT_EQ(at, s.Data() + c.p) << Show(c.text) << " " << c.p;
    EXPECT_STREQ(s.CStr(), c.expected) << Show(c.text) << " " << c.p;
    EXPECT_GE(s.Capacity(), c.p + c.n + 2) << Show(c.text) << " " << c.p;
  }
}

TEST(DynStringWriteBytes, OutOfRangeWritesNothing) {
  struct Case {
    int p, n;
  };
  for (Case c : {Case{-1, 2}, Case{0, -1}, Case{INT_MAX, 1}, Case{1, INT_MAX}}) {
    DynString s("abc");
    int32_t capacity = s.Capacity();
    EXPECT_EQ(s.WriteBytes(c.p, "XY", c.n), nullptr) << c.p << " " << c.n;
    EXPECT_STREQ(s.CStr(), "abc");
    EXPECT_EQ(s.Capacity(), capacity);
  }
}

TEST(FillBytes, SetsCountBytesAndPointsPastThem) {
  struct Case {
    int count;
    int value;
    const char* expected;  // the 6-byte buffer after the call, from "......"
  };
  const Case cases[] = {{3, 'x', "xxx..."},
                        {6, 'y', "yyyyyy"},
                        {0, 'x', "......"},
                        {-4, 'x', "......"},
                        {1, 0x1e9, "\xe9....."}};
  for (const Case& c : cases) {
    char buffer[7] = "......";
    void* end = FillBytes(buffer, c.count, c.value);
    EXPECT_EQ(std::string(buffer, 6), c.expected) << c.count;
    EXPECT_EQ(end, buffer + (c.count > 0 ? c.count : 0)) << c.count;
  }
}

TEST(ZeroBytes, FillsWithNul) {
  char buffer[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(ZeroBytes(buffer, 3), buffer + 3);
  EXPECT_EQ(std::string(buffer, 4), std::string("\0\0\0d", 4));
  EXPECT_EQ(ZeroBytes(buffer, -1), buffer);
}

TEST(DynStringWriteRecord, ByteLayout) {
  struct Case {
    DynString text;
    Bytes expected;
  };
  std::string long_text(300, 'z');
  std::string longest(MAX_RECORD_LENGTH, '\xe9');
  const Case cases[] = {
      {DynString("abc"), {3, 0, 'a', 'b', 'c', 10}},
      {DynString(), {0, 0, 10}},
      {DynString(""), {0, 0, 10}},
      {DynString("a\nb"), {3, 0, 'a', 10, 'b', 10}},
      {DynString(long_text.c_str()), Record(long_text)},
      {DynString(longest.c_str()), Record(longest)},
  };
  for (const Case& c : cases) {
    Stream out;
    EXPECT_EQ(c.text.WriteRecord(out.Get()), 10) << c.text.Length();
    EXPECT_EQ(out.Written(), c.expected) << c.text.Length();
  }
  EXPECT_EQ(Record(long_text)[0], 0x2c);
  EXPECT_EQ(Record(long_text)[1], 0x01);
  EXPECT_EQ(Record(longest)[0], 0xff);
  EXPECT_EQ(Record(longest)[1], 0x7f);
}

TEST(DynStringWriteRecord, TooLongTextIsRefused) {
  std::string text(MAX_RECORD_LENGTH + 1, 'a');
  Stream out;
  EXPECT_EQ(DynString(text.c_str()).WriteRecord(out.Get()), EOF);
  EXPECT_EQ(out.Written(), Bytes{});
}

TEST(DynStringWriteRecord, FailedWriteGivesEof) {
  Stream read_only(Bytes{});
  EXPECT_EQ(DynString("abc").WriteRecord(read_only.Get()), EOF);
  EXPECT_EQ(DynString("abc").WriteRecord(nullptr), EOF);
}

TEST(DynStringReadRecord, ResultTextAndStreamPosition) {
  struct Case {
    Bytes stream;
    int largest;
    int result;
    const char* expected;  // the text after the call; "old" means unchanged
    long position;
  };
  const Case cases[] = {
      {{3, 0, 'a', 'b', 'c', 10}, 3, 1, "abc", 6},
      {{3, 0, 'a', 'b', 'c', 10}, 100, 1, "abc", 6},
      {{3, 0, 'a', 'b', 'c', 10}, 2, 0, "old", 2},
      {{0, 0, 10}, 0, 1, "", 3},
      {{3, 0, 'a', 10, 'b', 10}, 3, 1, "a", 6},
      {{3, 0, 'a', 0, 'b', 10}, 3, 1, "a", 6},
      {{2, 0, 0xe9, 0xff, 10}, 2, 1, "\xe9\xff", 5},
      {{}, 10, 0, "old", 0},
      {{3}, 10, 0, "old", 1},
      {{3, 0, 'a', 'b'}, 10, 0, "old", 4},
      {{3, 0, 'a', 'b', 'c'}, 10, 0, "old", 5},
      {{0xff, 0xff, 'a', 10}, 10, 0, "old", 2},
      {{0x00, 0x80, 'a', 10}, 10, 0, "old", 2},
      {{0xfe, 0xff, 'a', 10}, -1, 0, "old", 2},
      {{3, 0, 'a', 'b', 'c', 'd', 10}, 10, 0, "old", 6},
      {{1, 0, 10, 10}, 1, 1, "", 4},
  };
  for (const Case& c : cases) {
    DynString s("old");
    Stream in(c.stream);
    EXPECT_EQ(s.ReadRecord(in.Get(), c.largest), c.result) << testing::PrintToString(c.stream);
    EXPECT_STREQ(s.CStr(), c.expected) << testing::PrintToString(c.stream);
    EXPECT_EQ(in.Position(), c.position) << testing::PrintToString(c.stream);
  }
}

TEST(DynStringReadRecord, ReservesLengthPlusElevenIntoANullString) {
  DynString s;
  Stream in(Bytes{3, 0, 'a', 'b', 'c', 10});
  EXPECT_EQ(s.ReadRecord(in.Get(), 3), 1);
  EXPECT_EQ(s.Capacity(), 3 + 16);
}

TEST(DynStringReadRecord, NullStreamReadsNothing) {
  DynString s("old");
  EXPECT_EQ(s.ReadRecord(nullptr, 10), 0);
  EXPECT_STREQ(s.CStr(), "old");
}

TEST(DynStringRecord, RecordHoldingALineFeedLeavesStreamAtNextRecord) {
  Stream file;
  DynString("a\nb").WriteRecord(file.Get());
  DynString("next").WriteRecord(file.Get());
  DynString().WriteRecord(file.Get());
  std::rewind(file.Get());
  DynString s;
  EXPECT_EQ(s.ReadRecord(file.Get(), 100), 1);
  EXPECT_STREQ(s.CStr(), "a");
  EXPECT_EQ(s.ReadRecord(file.Get(), 100), 1);
  EXPECT_STREQ(s.CStr(), "next");
  EXPECT_EQ(s.ReadRecord(file.Get(), 100), 1);
  EXPECT_STREQ(s.CStr(), "");
  EXPECT_EQ(s.ReadRecord(file.Get(), 100), 0);
  EXPECT_STREQ(s.CStr(), "");
}

TEST(DynStringRecord, LongestRecordRoundTrips) {
  std::string text(MAX_RECORD_LENGTH, 'q');
  text[0] = '\xe9';
  Stream file;
  DynString(text.c_str()).WriteRecord(file.Get());
  std::rewind(file.Get());
  DynString s("a shorter old text");
  EXPECT_EQ(s.ReadRecord(file.Get(), MAX_RECORD_LENGTH), 1);
  EXPECT_EQ(std::string(s.CStr()), text);
}

TEST(DynStringReadRecord, RandomAndDamagedStreamsAgreeWithModel) {
  std::mt19937 rng(17);
  for (int iteration = 0; iteration < 4000; ++iteration) {
    Bytes bytes;
    if (rng() % 3 == 0) {
      // Arbitrary bytes, short lengths now and then.
      bytes.resize(rng() % 24);
      for (unsigned char& b : bytes)
        b = static_cast<unsigned char>(rng() % 4 == 0 ? rng() % 8 : rng());
    } else {
      // Well-formed records of texts with LFs and NULs, then damaged.
      for (int r = static_cast<int>(rng() % 4); r > 0; --r) {
        std::string text(rng() % 12, 'x');
        for (char& c : text) c = "ab\n\0\xe9"[rng() % 5];
        Bytes record = Record(text);
        bytes.insert(bytes.end(), record.begin(), record.end());
      }
      if (!bytes.empty() && rng() % 2 == 0)
        bytes[rng() % bytes.size()] = static_cast<unsigned char>(rng());
      if (!bytes.empty() && rng() % 2 == 0) bytes.resize(rng() % bytes.size());
    }
    Stream in(bytes);
    DynString s("previous text");
    std::string text = s.CStr();
    size_t pos = 0;
    for (int read = 0; read < 8; ++read) {
      int largest = static_cast<int>(rng() % 14) - 1;
      reference_model::RecordExpected expected =
          reference_model::ModelReadRecord(bytes, pos, largest);
      ASSERT_EQ(s.ReadRecord(in.Get(), largest), expected.result)
          << testing::PrintToString(bytes) << " at " << pos;
      if (expected.result == 1) text = expected.text;
      ASSERT_EQ(std::string(s.CStr()), text) << testing::PrintToString(bytes) << " at " << pos;
      ASSERT_EQ(in.Position(), static_cast<long>(expected.next))
          << testing::PrintToString(bytes) << " at " << pos;
      pos = expected.next;
    }
  }
}

}  // namespace

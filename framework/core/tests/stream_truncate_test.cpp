#include <gtest/gtest.h>

#include <cstdio>

#include "core/stream.h"

namespace lark::core {
namespace {

// A rewrite shorter than the old content cuts the stream where it ends.
TEST(StreamTruncate, CutsAtThePosition) {
    MemoryStream memory(std::vector<std::uint8_t>{1, 2, 3, 4, 5});
    memory.Seek(0);
    const std::uint8_t nine = 9;
    memory.Write(&nine, 1);
    memory.Truncate();
    EXPECT_EQ(memory.Data(), (std::vector<std::uint8_t>{9}));
    memory.Seek(5);  // beyond the end: nothing to cut
    memory.Truncate();
    EXPECT_EQ(memory.Size(), 1);

    const std::string path = ::testing::TempDir() + "stream_truncate_test.bin";
    {
        FileStream file(path, FileStream::Mode::Create);
        const char text[] = "0123456789";
        file.Write(text, 10);
        file.Seek(4);
        file.Truncate();
        EXPECT_EQ(file.Size(), 4);
        EXPECT_EQ(file.Position(), 4);
        file.Write("x", 1);
        file.Close();
    }
    const auto bytes = ReadFileBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "0123x");
    std::remove(path.c_str());
}

}  // namespace
}  // namespace lark::core

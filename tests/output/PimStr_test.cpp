#include "output/PimStr.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(int Count, uint8_t First) {
    std::vector<uint8_t> v(static_cast<size_t>(Count));
    for (int i = 0; i < Count; ++i) v[static_cast<size_t>(i)] = static_cast<uint8_t>(First + i);
    return v;
}

} // namespace

TEST(PimStream, StartsWithTheGlobalMemoryLimit) {
    EXPECT_EQ(PimMaximumMemoryUsage, 512000);
    TPimStream s;
    EXPECT_EQ(s.MaxMemUsage(), 512000);
}

TEST(PimStream, SpillsBeforeTheWriteAfterTheLimitIsPassed) {
    TPimStream s;
    s.SetMaxMemUsage(100);
    const auto b = Bytes(60, 0);
    s.WriteBuffer(b.data(), 60);
    s.WriteBuffer(b.data(), 60);
    EXPECT_FALSE(s.HasFileStream());
    EXPECT_EQ(s.MemorySize(), 120);
    s.WriteBuffer(b.data(), 60);
    ASSERT_TRUE(s.HasFileStream());
    EXPECT_EQ(s.FileStreamSize(), 120);
    EXPECT_EQ(s.MemorySize(), 60);
    EXPECT_EQ(s.Size(), 180);
    EXPECT_EQ(QFile(s.TempFileName()).size(), 120);
    EXPECT_TRUE(QFileInfo(s.TempFileName()).fileName().startsWith("Pim"));
}

TEST(PimStream, ReadsAcrossTheFileAndMemoryParts) {
    TPimStream s;
    s.SetMaxMemUsage(100);
    const auto b = Bytes(250, 1);
    for (int i = 0; i < 5; ++i) s.WriteBuffer(b.data() + 50 * i, 50);
    ASSERT_TRUE(s.HasFileStream());
    std::vector<uint8_t> r(250);
    s.SetPosition(90);
    s.ReadBuffer(r.data(), 160);
    EXPECT_EQ(0, memcmp(r.data(), b.data() + 90, 160));
    EXPECT_EQ(s.Position(), 250);
    EXPECT_EQ(s.Read(r.data(), 1), 0);
}

TEST(PimStream, SeekIsNotClampedAndOutsideReadsNothing) {
    TPimStream s;
    const auto b = Bytes(10, 0);
    s.WriteBuffer(b.data(), 10);
    EXPECT_EQ(s.Seek(0, soEnd), 10);
    EXPECT_EQ(s.Seek(-1, soBeginning), -1);
    uint8_t x;
    EXPECT_EQ(s.Read(&x, 1), 0);
    EXPECT_EQ(s.Seek(20, soBeginning), 20);
    EXPECT_EQ(s.Read(&x, 1), 0);
}

TEST(PimStream, AskingWhetherItSpilledMakesNoFileAndClearDeletesIt) {
    TPimStream s;
    s.SetMaxMemUsage(10);
    EXPECT_FALSE(s.HasFileStream());
    const auto b = Bytes(20, 0);
    s.WriteBuffer(b.data(), 20);
    s.WriteBuffer(b.data(), 20);
    ASSERT_TRUE(s.HasFileStream());
    const QString Name = s.TempFileName();
    EXPECT_TRUE(QFile::exists(Name));
    s.Clear();
    EXPECT_FALSE(QFile::exists(Name));
    EXPECT_FALSE(s.HasFileStream());
    EXPECT_EQ(s.Size(), 0);
}

TEST(PimStream, WritingIntoTheFilePartPastItsEndKeepsSizeAndBufferRight) {
    TPimStream s;
    s.SetMaxMemUsage(100);
    const auto b = Bytes(150, 0);
    s.WriteBuffer(b.data(), 150);
    s.WriteBuffer(b.data(), 10); // spills 150
    uint8_t r[8];
    s.SetPosition(0);
    s.ReadBuffer(r, 4); // fills the read buffer with the whole file
    const auto w = Bytes(40, 200);
    s.SetPosition(140);
    s.WriteBuffer(w.data(), 40); // overwrites 140..159 and extends to 180
    EXPECT_EQ(s.Size(), 180);
    s.SetPosition(138);
    s.ReadBuffer(r, 4);
    EXPECT_EQ(r[0], 138);
    EXPECT_EQ(r[2], 200);
    s.SetPosition(176);
    s.ReadBuffer(r, 4);
    EXPECT_EQ(r[3], 239);
}

TEST(PimStream, MatchesAPlainMemoryStreamUnderRandomUse) {
    std::mt19937 Rng(12345);
    for (int Limit : {64, 1000, 30000}) {
        TPimStream s;
        s.SetMaxMemUsage(Limit);
        TMemoryStream m;
        std::vector<uint8_t> Buf(40000), Got(40000), Want(40000);
        for (int Step = 0; Step < 3000; ++Step) {
            const int Op = static_cast<int>(Rng() % 10);
            const int64_t Size = m.Size();
            if (Op < 5) {
                const int n = 1 + static_cast<int>(Rng() % (Op == 0 ? 20000 : 300));
                for (int i = 0; i < n; ++i) Buf[static_cast<size_t>(i)] = static_cast<uint8_t>(Rng());
                // mostly append, sometimes overwrite anywhere
                const int64_t Pos = (Rng() % 4 == 0 && Size > 0) ? int64_t(Rng() % uint64_t(Size)) : Size;
                s.SetPosition(Pos);
                m.SetPosition(Pos);
                s.WriteBuffer(Buf.data(), n);
                m.WriteBuffer(Buf.data(), n);
            } else {
                const int64_t Pos = Size > 0 ? int64_t(Rng() % uint64_t(Size + 10)) - 5 : 0;
                const int n = 1 + static_cast<int>(Rng() % (Op == 9 ? 25000 : 500));
                s.SetPosition(Pos);
                m.SetPosition(Pos);
                const int64_t a = s.Read(Got.data(), n);
                const int64_t e = m.Read(Want.data(), n);
                ASSERT_EQ(a, e) << "limit " << Limit << " step " << Step << " pos " << Pos;
                ASSERT_EQ(0, memcmp(Got.data(), Want.data(), static_cast<size_t>(a)));
            }
            ASSERT_EQ(s.Size(), m.Size());
        }
    }
}

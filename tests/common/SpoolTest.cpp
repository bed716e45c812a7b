#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/CircularBuffer.h"
#include "common/SpoolFile.h"

#if defined(__unix__)
#include <unistd.h>
#endif

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Fills the ring with `values` one byte each; false if any write is refused.
bool Push(CircularBuffer& ring, const Bytes& values) {
  return ring.Write(values.data(), static_cast<std::uint32_t>(values.size()));
}

// Everything left in a byte ring, oldest first.
Bytes Drain(CircularBuffer& ring) {
  Bytes out;
  std::uint8_t b = 0;
  while (ring.Read(&b)) out.push_back(b);
  return out;
}

// Below `bound`, from the test's own generator.
std::uint32_t Below(std::mt19937& rng, std::uint32_t bound) { return static_cast<std::uint32_t>(rng() % bound); }

Bytes Seq(std::uint8_t from, std::uint8_t n) {
  Bytes v(n);
  for (std::uint8_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(from + i);
  return v;
}

// ---------------------------------------------------------------- ring buffer

// Random writes, reads, peeks and multi-element reads against a plain queue,
// over many wraps and element sizes (a spool record's too): catches any
// misplaced segment or index, and any partial write or read.
TEST(CircularBuffer, MatchesAQueueUnderRandomUse) {
  std::mt19937 rng(7);
  for (const std::uint32_t capacity : {1u, 2u, 7u, 10u, 64u}) {
    for (const std::uint32_t size : {1u, 3u, kSpoolRecordSize}) {
      CircularBuffer ring;
      ASSERT_TRUE(ring.Create(capacity, size));
      std::deque<std::uint8_t> model;  // size bytes per element
      std::uint8_t next = 0;
      Bytes dst;
      for (int step = 0; step < 2000; ++step) {
        SCOPED_TRACE(::testing::Message() << "capacity " << capacity << " size " << size << " step " << step);
        const std::uint32_t held = static_cast<std::uint32_t>(model.size() / size);
        const std::uint32_t n = Below(rng, capacity + 2);
        dst.assign(std::size_t{std::max(n, 1u)} * size, 0xEE);
        switch (rng() % 4) {
          case 0:
          case 1: {
            Bytes src(std::size_t{n} * size);
            for (auto& b : src) b = next++;
            const bool fits = held + n <= capacity;
            ASSERT_EQ(ring.Write(src.data(), n), fits);
            if (fits) model.insert(model.end(), src.begin(), src.end());
            break;
          }
          case 2:
            ASSERT_EQ(ring.Peek(dst.data()), held > 0);
            if (held > 0) {
              ASSERT_TRUE(std::equal(dst.begin(), dst.begin() + size, model.begin()));
            }
            break;
          default:
            if (n == 0) break;
            ASSERT_EQ(ring.ReadN(dst.data(), n), n <= held);
            if (n > held) {
              ASSERT_EQ(dst[0], 0xEE);  // all or nothing
              break;
            }
            ASSERT_TRUE(std::equal(dst.begin(), dst.end(), model.begin()));
            model.erase(model.begin(), model.begin() + static_cast<std::ptrdiff_t>(dst.size()));
            break;
        }
        ASSERT_EQ(ring.Count(), model.size() / size);
      }
    }
  }
}

TEST(CircularBuffer, HighWaterHoldsUntilRecreated) {
  CircularBuffer ring;
  ASSERT_TRUE(ring.Create(8, 1));
  ASSERT_TRUE(Push(ring, Seq(0, 5)));
  Drain(ring);
  EXPECT_EQ(ring.HighWater(), 5u);
  ASSERT_TRUE(Push(ring, Seq(0, 3)));
  EXPECT_EQ(ring.HighWater(), 5u);
  ASSERT_TRUE(Push(ring, Seq(0, 4)));
  EXPECT_EQ(ring.HighWater(), 7u);
  EXPECT_FALSE(Push(ring, Seq(0, 2)));  // refused writes do not count
  EXPECT_EQ(ring.HighWater(), 7u);

  ASSERT_TRUE(ring.Create(3, 2));  // drops contents and marks
  EXPECT_EQ(ring.Count(), 0u);
  EXPECT_EQ(ring.HighWater(), 0u);
  EXPECT_EQ(ring.Capacity(), 3u);
}

TEST(CircularBuffer, UnusableRingRefusesEverything) {
  auto expectDead = [](CircularBuffer& ring) {
    std::uint8_t b = 0;
    EXPECT_FALSE(ring.Exists());
    EXPECT_FALSE(ring.Write(&b, 1));
    EXPECT_FALSE(ring.Read(&b));
    EXPECT_EQ(ring.Count(), 0u);
    EXPECT_EQ(ring.HighWater(), 0u);
    EXPECT_EQ(ring.Capacity(), 0u);
  };
  CircularBuffer ring;
  expectDead(ring);
  ring.Destroy();  // harmless when never created
  EXPECT_FALSE(ring.Create(0, 1));
  expectDead(ring);
  EXPECT_FALSE(ring.Create(4, 0));
  expectDead(ring);

  ASSERT_TRUE(ring.Create(4, 1));
  ASSERT_TRUE(Push(ring, {1, 2}));
  ring.Destroy();
  expectDead(ring);
  ring.Destroy();

  ASSERT_TRUE(ring.Create(4, 1));
  EXPECT_TRUE(ring.Exists());
  EXPECT_TRUE(Drain(ring).empty());  // nothing survives from before
  // Far more than any machine has: refused, and the old ring is gone too.
  EXPECT_FALSE(ring.Create(0xFFFFFFFFu, 0xFFFFFFFFu));
  expectDead(ring);
}

// One producer writing random-sized chunks, one consumer reading byte by
// byte, one watcher reading the counts: every byte arrives once, in order.
TEST(CircularBuffer, ProducerAndConsumerThreads) {
  constexpr std::uint32_t kTotal = 1'000'000;
  constexpr std::uint32_t kCapacity = 257;
  CircularBuffer ring;
  ASSERT_TRUE(ring.Create(kCapacity, 1));
  auto value = [](std::uint32_t i) { return static_cast<std::uint8_t>(i * 7 + (i >> 9)); };

  std::atomic<bool> done{false};
  std::atomic<std::uint32_t> badCount{0};
  std::thread producer([&] {
    std::mt19937 rng(11);
    Bytes chunk;
    for (std::uint32_t sent = 0; sent < kTotal;) {
      const std::uint32_t n = std::min<std::uint32_t>(1 + Below(rng, 64), kTotal - sent);
      chunk.resize(n);
      for (std::uint32_t i = 0; i < n; ++i) chunk[i] = value(sent + i);
      while (!ring.Write(chunk.data(), n)) std::this_thread::yield();
      sent += n;
    }
  });
  std::thread watcher([&] {
    while (!done) {
      if (ring.Count() > kCapacity || ring.HighWater() > kCapacity) ++badCount;
      std::this_thread::yield();
    }
  });
  std::uint32_t received = 0, wrong = 0;
  for (std::uint8_t b = 0; received < kTotal;) {
    if (!ring.Read(&b)) {
      std::this_thread::yield();
      continue;
    }
    if (b != value(received)) ++wrong;
    ++received;
  }
  producer.join();
  done = true;
  watcher.join();
  EXPECT_EQ(wrong, 0u);
  EXPECT_EQ(badCount.load(), 0u);
  EXPECT_EQ(ring.Count(), 0u);
  EXPECT_GT(ring.HighWater(), 0u);
}

// The ring may be destroyed while the other thread keeps reading: its reads
// start failing, nothing crashes.
TEST(CircularBuffer, DestroyWhileAnotherThreadReads) {
  for (int round = 0; round < 50; ++round) {
    CircularBuffer ring;
    ASSERT_TRUE(ring.Create(64, 4));
    std::atomic<bool> started{false};
    std::thread reader([&] {
      std::uint32_t v = 0;
      while (ring.Exists() || ring.Read(&v)) {
        started = true;
        ring.Read(&v);
        ring.Count();
      }
    });
    std::uint32_t v = 0x01020304;
    while (!started) ring.Write(&v, 1);
    ring.Destroy();
    reader.join();
    EXPECT_FALSE(ring.Read(&v));
  }
}

// ----------------------------------------------------------------- disk spool

namespace SF = SpoolFile;

SpoolRecord Record(std::uint32_t tag, std::uint32_t length = kSpoolPayload) {
  SpoolRecord r{};
  r.SetLength(length);
  for (std::uint32_t i = 0; i < kSpoolPayload; ++i) r.Payload()[i] = static_cast<std::uint8_t>(tag * 31 + i);
  std::memcpy(r.Payload(), &tag, sizeof tag);
  return r;
}

std::uint32_t Tag(const SpoolRecord& r) {
  std::uint32_t tag = 0;
  std::memcpy(&tag, r.Payload(), sizeof tag);
  return tag;
}

bool Same(const SpoolRecord& a, const SpoolRecord& b) {
  return std::memcmp(a.bytes, b.bytes, kSpoolRecordSize) == 0;
}

class SpoolFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string leaf = ::testing::UnitTest::GetInstance()->current_test_info()->name();
#if defined(__unix__)
    leaf += '.' + std::to_string(::getpid());
#endif
    dir_ = std::filesystem::temp_directory_path() / "vantrel-tests" / "spool" / leaf;
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    name_ = (dir_ / kSpoolFileName).string();
  }
  void TearDown() override {
    SF::Close();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string FileBytes(std::size_t offset, std::size_t n) const {
    std::ifstream in(name_, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    std::string s(n, '\0');
    in.read(s.data(), static_cast<std::streamsize>(n));
    return in ? s : std::string();
  }
  static std::string Bytes(const SpoolRecord& r) {
    return {reinterpret_cast<const char*>(r.bytes), kSpoolRecordSize};
  }

  std::filesystem::path dir_;
  std::string name_;
};

TEST_F(SpoolFileTest, FullSpoolRefusesThenWrapsToRecordZero) {
  ASSERT_TRUE(SF::Open(name_, 3));
  EXPECT_EQ(SF::Capacity(), 3u);
  for (std::uint32_t t = 1; t <= 3; ++t) ASSERT_TRUE(SF::WriteRecord(Record(t, t)));
  EXPECT_FALSE(SF::WriteRecord(Record(9)));
  EXPECT_EQ(SF::Count(), 3u);
  EXPECT_EQ(SF::HighWater(), 3u);
  EXPECT_EQ(std::filesystem::file_size(name_), 3u * kSpoolRecordSize);
  EXPECT_EQ(FileBytes(kSpoolRecordSize, kSpoolRecordSize), Bytes(Record(2, 2)));  // no header

  SpoolRecord r{};
  ASSERT_TRUE(SF::ReadRecord(r));
  EXPECT_TRUE(Same(r, Record(1, 1)));
  ASSERT_TRUE(SF::WriteRecord(Record(4, 4)));
  EXPECT_EQ(FileBytes(0, kSpoolRecordSize), Bytes(Record(4, 4)));
  EXPECT_EQ(std::filesystem::file_size(name_), 3u * kSpoolRecordSize);

  for (std::uint32_t t : {2u, 3u, 4u}) {
    ASSERT_TRUE(SF::ReadRecord(r));
    EXPECT_TRUE(Same(r, Record(t, t))) << t;
    EXPECT_EQ(r.Length(), t);
  }
  EXPECT_FALSE(SF::ReadRecord(r));
  EXPECT_EQ(SF::Count(), 0u);
  EXPECT_EQ(SF::HighWater(), 3u);
}

TEST_F(SpoolFileTest, OpenRefusals) {
  EXPECT_FALSE(SF::Open("", 3));
  EXPECT_FALSE(SF::Open(name_, 0));
  EXPECT_FALSE(SF::Open((dir_ / "missing" / kSpoolFileName).string(), 3));
  EXPECT_FALSE(SF::IsOpen());
  EXPECT_FALSE(SF::WriteRecord(Record(1)));

  ASSERT_TRUE(SF::Open(name_, 2));
  ASSERT_TRUE(SF::WriteRecord(Record(1)));
  EXPECT_FALSE(SF::Open(name_, 5));
  EXPECT_FALSE(SF::Open((dir_ / "other.bin").string(), 5));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "other.bin"));
  EXPECT_EQ(SF::Capacity(), 2u);  // the first spool is untouched
  SpoolRecord r{};
  ASSERT_TRUE(SF::ReadRecord(r));
  EXPECT_TRUE(Same(r, Record(1)));
}

TEST_F(SpoolFileTest, CloseDeletesTheFileAndReopenStartsEmpty) {
  {
    std::ofstream(name_, std::ios::binary) << std::string(5000, 'x');  // left by an earlier run
  }
  ASSERT_TRUE(SF::Open(name_, 4));
  EXPECT_EQ(std::filesystem::file_size(name_), 0u);
  ASSERT_TRUE(SF::WriteRecord(Record(1)));
  ASSERT_TRUE(SF::WriteRecord(Record(2)));
  ASSERT_TRUE(SF::Close());
  EXPECT_FALSE(std::filesystem::exists(name_));
  EXPECT_FALSE(SF::IsOpen());
  SpoolRecord r{};
  EXPECT_FALSE(SF::ReadRecord(r));
  EXPECT_FALSE(SF::WriteRecord(Record(3)));
  EXPECT_EQ(SF::Count(), 0u);
  EXPECT_EQ(SF::HighWater(), 0u);
  EXPECT_EQ(SF::Capacity(), 0u);
  EXPECT_TRUE(SF::Close());  // already closed: nothing to do

  ASSERT_TRUE(SF::Open(name_, 4));
  EXPECT_EQ(SF::Count(), 0u);
  EXPECT_EQ(SF::HighWater(), 0u);
  EXPECT_FALSE(SF::ReadRecord(r));
  ASSERT_TRUE(SF::WriteRecord(Record(5)));
  ASSERT_TRUE(SF::ReadRecord(r));
  EXPECT_TRUE(Same(r, Record(5)));
}

TEST_F(SpoolFileTest, RecordsRoundTripOverManyWraps) {
  ASSERT_TRUE(SF::Open(name_, 5));
  std::mt19937 rng(5);
  std::deque<SpoolRecord> model;
  std::uint32_t tag = 0;
  for (int step = 0; step < 400; ++step) {
    if (rng() % 2) {
      const SpoolRecord w = Record(++tag, Below(rng, kSpoolPayload + 1));
      ASSERT_EQ(SF::WriteRecord(w), model.size() < 5) << step;
      if (model.size() < 5) model.push_back(w);
    } else {
      SpoolRecord r{};
      ASSERT_EQ(SF::ReadRecord(r), !model.empty()) << step;
      if (!model.empty()) {
        ASSERT_TRUE(Same(r, model.front())) << "step " << step << " tag " << Tag(r);
        model.pop_front();
      }
    }
    ASSERT_EQ(SF::Count(), model.size());
  }
  EXPECT_EQ(std::filesystem::file_size(name_), 5u * kSpoolRecordSize);
}

TEST_F(SpoolFileTest, ProducerAndConsumerThreads) {
  constexpr std::uint32_t kTotal = 5000;
  constexpr std::uint32_t kCapacity = 4;
  ASSERT_TRUE(SF::Open(name_, kCapacity));
  std::atomic<bool> done{false};
  std::atomic<std::uint32_t> badCount{0};
  std::thread producer([] {
    for (std::uint32_t t = 0; t < kTotal; ++t)
      while (!SF::WriteRecord(Record(t, t % (kSpoolPayload + 1)))) std::this_thread::yield();
  });
  std::thread watcher([&] {
    while (!done) {
      if (SF::Count() > kCapacity || SF::HighWater() > kCapacity) ++badCount;
      std::this_thread::yield();
    }
  });
  std::uint32_t wrong = 0;
  for (std::uint32_t t = 0; t < kTotal;) {
    SpoolRecord r{};
    if (!SF::ReadRecord(r)) {
      std::this_thread::yield();
      continue;
    }
    if (!Same(r, Record(t, t % (kSpoolPayload + 1)))) ++wrong;
    ++t;
  }
  producer.join();
  done = true;
  watcher.join();
  EXPECT_EQ(wrong, 0u);
  EXPECT_EQ(badCount.load(), 0u);
  EXPECT_EQ(SF::Count(), 0u);
  EXPECT_GT(SF::HighWater(), 0u);
}

// Closing while the other thread keeps reading: its reads start failing.
TEST_F(SpoolFileTest, CloseWhileAnotherThreadReads) {
  for (int round = 0; round < 20; ++round) {
    ASSERT_TRUE(SF::Open(name_, 8));
    std::atomic<bool> started{false};
    std::thread reader([&] {
      SpoolRecord r{};
      while (SF::IsOpen() || SF::ReadRecord(r)) {
        started = true;
        SF::ReadRecord(r);
        SF::Count();
      }
    });
    while (!started) SF::WriteRecord(Record(1));
    ASSERT_TRUE(SF::Close());
    reader.join();
    EXPECT_FALSE(std::filesystem::exists(name_));
  }
}

}  // namespace
}  // namespace vantrel

#include <gtest/gtest.h>

#include "analysis/AddressStats.h"
#include "analysis/StatisticsViews.h"
#include "decode/DecoderServices.h"

namespace vantrel {
namespace {

// Messages of three bytes to one address, the first lasting `micros`, the rest no time.
void Count(std::uint8_t address7, std::uint32_t messages, std::uint32_t micros) {
  MessageRecord r;
  r.address = static_cast<std::uint16_t>(address7 << 1);
  r.byteCount = 3;
  for (std::uint32_t i = 0; i < messages; ++i, micros = 0) {
    r.durationMicroseconds = micros;
    UpdateAddressStatistics(r);
  }
}

class StatisticsViews : public ::testing::Test {
 protected:
  void SetUp() override { ResetStatistics(); }
  void TearDown() override { InstallDecoderServices({}); }
};

TEST_F(StatisticsViews, DetailGrid) {
  EXPECT_FALSE(RefreshDetail({0, 1000}));  // before the first message
  InstallDecoderServices({.AliasText = [](int) -> const std::string& {
    static const std::string alias = "Battery";
    return alias;
  }});
  Count(0x0B, 1, 4'000);    // 0.4 %
  Count(0x50, 2, 996'000);  // 99.6 %
  std::optional<DetailTable> t = RefreshDetail({0, 1'000'000});
  ASSERT_TRUE(t);
  EXPECT_EQ(ElapsedTime, 1'000'000.0f);
  ASSERT_EQ(t->rows.size(), 3u);
  const DetailRow& first = t->rows[0];
  EXPECT_EQ(first.address + first.alias + first.messages + first.usage + first.bitRate,
            "#16Battery    1< 1%6.8K Bits/Sec");  // 27,000 bit times in 4 ms
  EXPECT_EQ(t->rows[1].usage, "> 99%");
  EXPECT_EQ(t->total, 100u);
  EXPECT_EQ(t->rows[2].address + t->rows[2].usage, " Idle< 1%");

  // The idle row is 100 less the rounded usages, never below 0.
  ResetStatistics();
  Count(0x0B, 1, 60'000'000);
  Count(0x50, 1, 54'480'000);  // 45.4 % -> 45
  Count(0x51, 1, 0);           // no time at all: no rate
  t = RefreshDetail({2, 0});
  EXPECT_EQ(t->rows[0].usage + t->rows[1].usage + t->rows[3].usage, "50%45%5%");
  EXPECT_EQ(t->rows[2].bitRate, "0 K Bits/Sec");
  gStats.entries[0x51].busyMicroseconds = 7'000'000;  // 5.8 % -> 6: 101 in all
  t = RefreshDetail({2, 0});
  EXPECT_EQ(t->total, 100u);
  EXPECT_EQ(t->rows[3].usage, "< 1%");

  // Counts: five characters up to 999, then grouped, then with the high part.
  gStats.entries[0x0B].messagesLow = 999;
  gStats.entries[0x50].messagesLow = 1'234'567;
  gStats.entries[0x51].messagesHigh = 12;
  t = RefreshDetail({2, 0});
  EXPECT_EQ(t->rows[0].messages + "|" + t->rows[1].messages + "|" + t->rows[2].messages,
            "  999|1,234,567|12,000,000,001");
  // No running time yet: the addresses without usage, all idle.
  t = RefreshDetail({0, 0});
  EXPECT_EQ(t->rows.size(), 4u);
  EXPECT_EQ(t->rows[0].usage + t->rows[3].usage, "< 1%> 99%");
}

TEST_F(StatisticsViews, ChartOfFewAddressesInAddressOrder) {
  EXPECT_FALSE(RefreshActivity());
  Count(0x50, 3, 10);
  Count(0x0B, 7, 10);
  const std::optional<ActivityChartData> c = RefreshActivity();
  ASSERT_TRUE(c);
  EXPECT_EQ(c->axisTitle, "Messages");
  EXPECT_EQ(c->axisMax, 3u);
  ASSERT_EQ(c->bars.size(), 3u);
  EXPECT_EQ(c->bars[0].label + "/" + c->bars[1].label, "/#16  #16");
  EXPECT_EQ(c->bars[1].value, 7u);
  EXPECT_EQ(c->bars[2].value, 3u);
  EXPECT_FALSE(RefreshActivity());  // nothing new
}

TEST_F(StatisticsViews, ChartOfManyAddressesLargestFirst) {
  // 20 addresses; address a has (a * 7) % 20 + 1 messages, all different.
  for (std::uint8_t a = 0; a < 20; ++a) Count(a, (a * 7) % 20 + 1u, 10);
  const std::optional<ActivityChartData> c = RefreshActivity();
  ASSERT_TRUE(c);
  EXPECT_EQ(c->axisMax, 16u);
  ASSERT_EQ(c->bars.size(), 16u);
  for (std::size_t i = 1; i < c->bars.size(); ++i) EXPECT_EQ(c->bars[i].value, 21 - i);
  EXPECT_EQ(c->bars[1].label, "#22  #22");  // 0x11: 7 * 17 % 20 + 1 = 20
}

TEST_F(StatisticsViews, BillionsMode) {
  Count(0x0B, 1, 10);
  Count(0x50, 1, 10);
  gStats.entries[0x0B].messagesHigh = 3;
  std::optional<ActivityChartData> c = RefreshActivity();
  ASSERT_TRUE(c);
  EXPECT_EQ(c->axisTitle, "Messages");
  EXPECT_EQ(c->bars[1].value, 3'000'000'001u);
  gStats.entries[0x50].messagesHigh = 4;
  gStats.statsChanged = true;
  c = RefreshActivity();
  ASSERT_TRUE(c);
  EXPECT_EQ(c->axisTitle, "Messages (B)");
  EXPECT_EQ(c->bars[1].value, 3u);
  EXPECT_EQ(c->bars[2].value, 4u);
}

}  // namespace
}  // namespace vantrel

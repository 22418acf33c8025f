#include <climits>
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/Files.h"
#include "platform/Text.h"
#include "support/FakeKeptWindow.h"
#include "support/TempDir.h"
#include "window/FormStorage.h"

namespace kelvane::test {
namespace {

const std::vector<std::u16string> kStoredProps = {u"edtFileName.Text", u"chkWriteTables.Checked",
                                                  u"edtTablesFileName.Text"};

class Keeper : public testing::Test {
 protected:
  std::u16string File() const {
    return (FDir.Path() / "Quorin" / "Kelvane" / "Kelvane.xml").u16string();
  }

  // One run of the tool: the store is read, the window shown and later closed.
  void Run(TFakeKeptWindow& AWindow, const std::function<void()>& AWhileOpen = {}) {
    TXmlStorage store(File());
    store.Reload();
    TFormStorage keeper(store, AWindow, kStoredProps);
    keeper.RestoreFormPlacement();
    if (AWhileOpen) {
      AWhileOpen();
    }
    keeper.SaveFormPlacement();
    store.Flush();
  }

  // The file as it stands after a run that changes nothing, with a value set in it by hand.
  void Store(const std::u16string& AName, const std::u16string& AValue) {
    TXmlStorage store(File());
    store.Reload();
    store.WriteString(u"fmMain\\" + AName, AValue);
    store.Flush();
  }

  std::string Bytes() const { return ReadFileBytes(File()); }

  TTempDir FDir;
};

TEST_F(Keeper, FirstRunWritesTheGoldenFile) {
  TFakeKeptWindow window;
  Run(window, [&] {
    window.Controls[u"edtFileName"].Text = u"C:\\fw\\a.bin";
    window.Controls[u"chkWriteTables"].Tick = true;
  });
  EXPECT_EQ(window.PlacementsApplied, 0);
  EXPECT_EQ(
      Bytes(),
      ReadFileBytes(
          std::filesystem::path(KELVANE_TEST_DATA_DIR "/window/golden/first-run.xml").u16string()));
}

TEST_F(Keeper, NextRunRestoresPlacementStateAndControls) {
  TFakeKeptWindow first;
  Run(first, [&] {
    first.FPlacement.NormalPosition = {10, 20, 710, 520};
    first.FPlacement.ShowCmd = 3;
    first.Controls[u"edtFileName"].Text = u"  /srv/fw_1.bin ";
    first.Controls[u"chkWriteTables"].Tick = true;
    first.Controls[u"edtTablesFileName"].Text = u"Таблицы.csv";
  });
  TFakeKeptWindow second;
  Run(second);
  EXPECT_EQ(second.PlacementsApplied, 1);
  EXPECT_EQ(second.FPlacement.NormalPosition.Left, 10);
  EXPECT_EQ(second.FPlacement.NormalPosition.Bottom, 520);
  EXPECT_EQ(second.FPlacement.ShowCmd, 3);
  EXPECT_EQ(second.Controls[u"edtFileName"].Text, u"  /srv/fw_1.bin ");
  EXPECT_TRUE(second.Controls[u"chkWriteTables"].Tick);
  EXPECT_EQ(second.Controls[u"edtTablesFileName"].Text, u"Таблицы.csv");
}

TEST_F(Keeper, FormVersionBelowZeroOrNotANumberAppliesNothingAndIsMendedOnClose) {
  for (const std::u16string version : {u"-1", u"abc"}) {
    TFakeKeptWindow first;
    Run(first, [&] { first.Controls[u"edtFileName"].Text = u"a.bin"; });
    Store(u"FormVersion", version);
    TFakeKeptWindow second;
    Run(second);
    EXPECT_EQ(second.Controls[u"edtFileName"].Text, u"") << ToUtf8(version);
    EXPECT_EQ(second.PlacementsApplied, 0);
    // The run counts as restored all the same, so its close saves what it shows.
    EXPECT_NE(Bytes().find("<FormVersion>0</FormVersion>"), std::string::npos);
    EXPECT_NE(Bytes().find("<edtFileName_Text/>"), std::string::npos);
    TFakeKeptWindow third;
    Run(third);
    EXPECT_EQ(third.PlacementsApplied, 1);
  }
}

TEST_F(Keeper, OtherResolutionLeavesPlacementButAppliesStateAndControls) {
  TFakeKeptWindow first;
  Run(first, [&] {
    first.FPlacement.NormalPosition = {10, 20, 710, 520};
    first.FPlacement.ShowCmd = 3;
    first.Controls[u"edtFileName"].Text = u"a.bin";
  });
  TFakeKeptWindow second;
  second.Ppi = 120;
  Run(second);
  EXPECT_EQ(second.PlacementsApplied, 0);
  EXPECT_EQ(second.FPlacement.ShowCmd, 3);
  EXPECT_EQ(second.Controls[u"edtFileName"].Text, u"a.bin");
}

TEST_F(Keeper, RectangleOnNoConnectedMonitorIsNotApplied) {
  TFakeKeptWindow first;
  first.Monitors.push_back({1280, 0, 2560, 1024});
  Run(first, [&] { first.FPlacement.NormalPosition = {1500, 100, 2100, 500}; });
  TFakeKeptWindow second;
  Run(second);
  EXPECT_EQ(second.PlacementsApplied, 0);
  second.Monitors.push_back({1280, 0, 2560, 1024});
  Run(second);
  EXPECT_EQ(second.PlacementsApplied, 1);
}

// Every stored integer is looked at before any arithmetic: an edge at the end of the 32-bit range
// or an inverted rectangle is not applied, and nothing overflows (UBSan would stop here).
TEST_F(Keeper, RectangleInvertedOrAtTheEndOfTheRangeIsNotApplied) {
  TFakeKeptWindow first;
  Run(first);
  for (const char16_t* rect : {u"0,0,100,-2147483648", u"-2147483648,0,100,100",
                               u"0,0,-2147483648,100", u"10,200,300,100", u"0,0,100,99999999999",
                               u"0,0,100,2147483647", u"10,10,10,300", u"10,10,300,10"}) {
    // The pair of the desktop's size wins over the plain one: both are the rectangle.
    Store(u"NormPos", rect);
    Store(u"NormPos_1280x1024_", rect);
    TFakeKeptWindow next;
    next.Monitors = {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}};
    Run(next);
    const TPlacementRect& applied = next.FPlacement.NormalPosition;
    // An empty rectangle (its right on its left, its bottom on its top) is no place either.
    EXPECT_TRUE(next.PlacementsApplied == 0 ||
                (applied.Left < applied.Right && applied.Top < applied.Bottom))
        << ToUtf8(rect);
  }
}

TEST_F(Keeper, EachDesktopSizeKeepsItsOwnPairAndItWinsOverThePlainOne) {
  TFakeKeptWindow first;
  Run(first, [&] { first.FPlacement.NormalPosition = {10, 10, 500, 400}; });
  TFakeKeptWindow wide;
  wide.Width = 1920;
  wide.Height = 1080;
  wide.Monitors = {{0, 0, 1920, 1080}};
  Run(wide, [&] { wide.FPlacement.NormalPosition = {900, 500, 1500, 900}; });
  const std::string bytes = Bytes();
  const size_t oldPair = bytes.find("<NormPos_1280x1024_>10,10,500,400<");
  const size_t newPair = bytes.find("<NormPos_1920x1080_>900,500,1500,900<");
  ASSERT_NE(oldPair, std::string::npos);
  ASSERT_NE(newPair, std::string::npos);
  EXPECT_GT(newPair, bytes.find("<edtTablesFileName_Text/>")) << "appended at the end";
  EXPECT_NE(bytes.find("<NormPos>900,500,1500,900<"), std::string::npos);

  TFakeKeptWindow back;
  Run(back, [&] {
    EXPECT_EQ(back.FPlacement.NormalPosition.Left, 10) << "its own size's pair, not the plain";
  });
}

TEST_F(Keeper, ItemsThatAreNoNumbersTakeTheCurrentValues) {
  TFakeKeptWindow first;
  Run(first);
  Store(u"NormPos_1280x1024_", u"100, x,,800  600");
  Store(u"MinMaxPos_1280x1024_", u"1,y");
  TFakeKeptWindow second;
  Run(second, [&] {
    const TPlacementRect rect = second.FPlacement.NormalPosition;
    EXPECT_EQ(rect.Left, 100);
    EXPECT_EQ(rect.Top, 304) << "the current top";
    EXPECT_EQ(rect.Right, 800);
    EXPECT_EQ(rect.Bottom, 600);
    EXPECT_EQ(second.FPlacement.MinPosition.X, 1);
    EXPECT_EQ(second.FPlacement.MinPosition.Y, 0);
  });
}

TEST_F(Keeper, ClosedMinimisedTheToolShowsItselfThenMinimises) {
  TFakeKeptWindow first;
  Run(first, [&] { first.Minimised = true; });
  EXPECT_NE(Bytes().find("<ShowCmd>2</ShowCmd>"), std::string::npos);
  TFakeKeptWindow second;
  second.FPlacement.ShowCmd = 3;
  Run(second, [&] {
    EXPECT_EQ(second.FPlacement.ShowCmd, 1);
    EXPECT_EQ(second.MinimiseRequests, 1);
  });
}

// Every minimised show command Windows keeps (minimised, minimise, minimised not active) shows
// the window and then minimises it; any other number shows it normal.
TEST_F(Keeper, EachMinimisedShowCommandShowsTheWindowThenMinimisesIt) {
  TFakeKeptWindow first;
  Run(first);
  for (const auto& [stored, minimises] :
       std::vector<std::pair<const char16_t*, int>>{{u"2", 1}, {u"6", 1}, {u"7", 1}, {u"5", 0}}) {
    Store(u"ShowCmd", stored);
    TFakeKeptWindow next;
    next.FPlacement.ShowCmd = 3;
    Run(next, [&] {
      EXPECT_EQ(next.FPlacement.ShowCmd, 1) << ToUtf8(stored);
      EXPECT_EQ(next.MinimiseRequests, minimises) << ToUtf8(stored);
    });
  }
}

TEST_F(Keeper, EntriesWithoutADotOrAControlAreDropped) {
  TFakeKeptWindow window;
  TXmlStorage store(File());
  TFormStorage keeper(store, window,
                      {u"nodot", u"missing.Text", u" edtFileName . text ", u"chkWriteTables.Hint"});
  ASSERT_EQ(keeper.StoredProps().size(), 1u);
  EXPECT_EQ(keeper.StoredProps()[0].Control, u"edtFileName");
  EXPECT_EQ(keeper.StoredProps()[0].Name, u"Text");
}

TEST_F(Keeper, SaveBeforeAnyRestoreWritesTheVersionOnly) {
  TFakeKeptWindow window;
  TXmlStorage store(File());
  store.Reload();
  TFormStorage keeper(store, window, kStoredProps);
  keeper.SaveFormPlacement();
  store.Flush();
  EXPECT_EQ(Bytes(),
            "<?xml version=\"1.0\" encoding=\"windows-1251\" standalone=\"no\"?>\r\n"
            "<Configuration>\r\n  <fmMain>\r\n    <FormVersion>0</FormVersion>\r\n"
            "  </fmMain>\r\n</Configuration>\r\n");
}

}  // namespace
}  // namespace kelvane::test

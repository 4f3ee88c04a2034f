// The platform's mapping of X input to the editor's, without a display.
#include <gtest/gtest.h>
#include <xcb/xproto.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/input_mapping.h"

TEST(InputMapping, WindowPixelsBecomeEditorCoordinates) {
  const EditorPoint p = ToEditorPoint(102, 52);
  EXPECT_EQ(p.x, 100);
  EXPECT_EQ(p.y, 49);
  // The corner lies outside every control.
  EXPECT_EQ(ToEditorPoint(0, 0).x, -2);
  EXPECT_EQ(ToEditorPoint(0, 0).y, -3);
}

TEST(InputMapping, ButtonsAndKeysMakeTheModifiers) {
  const IMouseMod left = MouseModFor(kButtonLeft, XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_1);
  EXPECT_TRUE(left.Left);
  EXPECT_FALSE(left.Right);
  EXPECT_TRUE(left.Shift);
  EXPECT_TRUE(left.Alt);
  EXPECT_FALSE(left.Ctrl);
  const IMouseMod right = MouseModFor(kButtonRight, XCB_MOD_MASK_CONTROL);
  EXPECT_FALSE(right.Left);
  EXPECT_TRUE(right.Right);
  EXPECT_TRUE(right.Ctrl);
  // Super with the left button stands for the right one, as command does.
  EXPECT_TRUE(MouseModFor(kButtonLeft, XCB_MOD_MASK_4).Right);
  // A drag carries the buttons held in its state.
  EXPECT_TRUE(MouseModFor(0, XCB_BUTTON_MASK_1).Left);
  EXPECT_EQ(WheelDelta(kWheelUp), 1);
  EXPECT_EQ(WheelDelta(kWheelDown), -1);
  EXPECT_EQ(WheelDelta(kButtonLeft), 0);
}

TEST(InputMapping, ClicksCountWithinTimeAndDistance) {
  ClickCounter clicks;
  clicks.SetLimits(400, 4);
  EXPECT_EQ(clicks.Press(kButtonLeft, 10, 10, 1000), 1);
  EXPECT_EQ(clicks.Press(kButtonLeft, 12, 13, 1300), 2);
  EXPECT_EQ(clicks.Press(kButtonLeft, 12, 13, 1600), 3);
  // Too late, too far, another button: a new first click.
  EXPECT_EQ(clicks.Press(kButtonLeft, 12, 13, 2001), 1);
  EXPECT_EQ(clicks.Press(kButtonLeft, 17, 13, 2100), 1);
  EXPECT_EQ(clicks.Press(kButtonRight, 17, 13, 2200), 1);
  // The server's clock wraps.
  EXPECT_EQ(clicks.Press(kButtonLeft, 0, 0, 0xFFFFFF00u), 1);
  EXPECT_EQ(clicks.Press(kButtonLeft, 0, 0, 0x00000010u), 2);
}

namespace {

// An XSETTINGS property in either byte order.
class SettingsBlob {
 public:
  explicit SettingsBlob(bool big) : mBig(big) {
    mBytes = {static_cast<std::uint8_t>(big ? 1 : 0), 0, 0, 0};
    Card32(7);  // serial
    Card32(0);  // count, filled in as settings are added
  }
  void Int(const std::string& name, std::uint32_t value) {
    Header(0, name);
    Card32(value);
  }
  void Text(const std::string& name, const std::string& value) {
    Header(1, name);
    Card32(static_cast<std::uint32_t>(value.size()));
    mBytes.insert(mBytes.end(), value.begin(), value.end());
    Pad();
  }
  std::vector<std::uint8_t> Bytes() const { return mBytes; }

 private:
  void Header(std::uint8_t type, const std::string& name) {
    ++mCount;
    const std::vector<std::uint8_t> count = Encoded(mCount, 4);
    std::copy(count.begin(), count.end(), mBytes.begin() + 8);
    mBytes.push_back(type);
    mBytes.push_back(0);
    const std::vector<std::uint8_t> length = Encoded(static_cast<std::uint32_t>(name.size()), 2);
    mBytes.insert(mBytes.end(), length.begin(), length.end());
    mBytes.insert(mBytes.end(), name.begin(), name.end());
    Pad();
    Card32(1);  // last change
  }
  void Card32(std::uint32_t value) {
    const std::vector<std::uint8_t> bytes = Encoded(value, 4);
    mBytes.insert(mBytes.end(), bytes.begin(), bytes.end());
  }
  std::vector<std::uint8_t> Encoded(std::uint32_t value, int n) const {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < n; ++i)
      bytes.push_back(static_cast<std::uint8_t>(value >> (8 * (mBig ? n - 1 - i : i))));
    return bytes;
  }
  void Pad() {
    while (mBytes.size() % 4 != 0)
      mBytes.push_back(0);
  }
  bool mBig;
  std::uint32_t mCount = 0;
  std::vector<std::uint8_t> mBytes;
};

}  // namespace

TEST(InputMapping, DoubleClickSettingsComeFromTheDesktop) {
  for (const bool big : {false, true}) {
    SettingsBlob blob(big);
    blob.Text("Net/ThemeName", "Adwaita");
    blob.Int("Net/DoubleClickTime", 250);
    blob.Int("Net/DoubleClickDistance", 8);
    const ClickLimits limits = ParseClickSettings(blob.Bytes());
    EXPECT_EQ(limits.timeMs, 250);
    EXPECT_EQ(limits.distance, 8);
  }
  // Cut anywhere, the property still yields what stood before the cut.
  SettingsBlob blob(false);
  blob.Int("Net/DoubleClickTime", 300);
  blob.Int("Net/DoubleClickDistance", 6);
  const std::vector<std::uint8_t> whole = blob.Bytes();
  for (std::size_t n = 0; n < whole.size(); ++n) {
    const ClickLimits limits = ParseClickSettings(std::span(whole.data(), n));
    EXPECT_TRUE(limits.timeMs == ClickCounter::kDefaultTimeMs || limits.timeMs == 300);
    EXPECT_EQ(limits.distance, ClickCounter::kDefaultDistance);
  }
}

TEST(InputMapping, InvalidationGrowsByAPixelWithinTheSurface) {
  EXPECT_EQ(InvalidationRect(IRECT(10, 20, 30, 40), 100, 100), IRECT(10, 20, 31, 41));
  EXPECT_EQ(InvalidationRect(IRECT(90, 90, 100, 100), 100, 100), IRECT(90, 90, 100, 100));
  EXPECT_EQ(InvalidationRect(IRECT(-5, -5, 3, 3), 100, 100), IRECT(0, 0, 4, 4));
  EXPECT_TRUE(InvalidationRect(IRECT(), 100, 100).Empty());
  EXPECT_TRUE(InvalidationRect(IRECT(200, 200, 300, 300), 100, 100).Empty());
}

TEST(InputMapping, KeysGetTheDocumentedCodes) {
  EXPECT_EQ(KeyCodeForKeysym(XKB_KEY_space), 0);
  EXPECT_EQ(KeyCodeForKeysym(XKB_KEY_Up), 1);
  EXPECT_EQ(KeyCodeForKeysym(XKB_KEY_Down), 2);
  EXPECT_EQ(KeyCodeForKeysym(XKB_KEY_Left), 3);
  EXPECT_EQ(KeyCodeForKeysym(XKB_KEY_KP_Right), 4);
  EXPECT_EQ(KeyCodeForKeysym(XKB_KEY_7), 12);
  EXPECT_EQ(KeyCodeForKeysym(XKB_KEY_KP_7), 12);
  EXPECT_EQ(KeyCodeForKeysym(XKB_KEY_q), 31);
  EXPECT_EQ(KeyCodeForKeysym(XKB_KEY_Q), 31);
  // Return prompts for a value; where the editor does not take it, it goes
  // to the host like function keys, accented letters and the rest.
  EXPECT_EQ(KeyCodeForKeysym(XKB_KEY_Return), KEY_RETURN);
  EXPECT_EQ(KeyCodeForKeysym(XKB_KEY_KP_Enter), KEY_RETURN);
  EXPECT_EQ(KeyCodeForKeysym(XKB_KEY_F5), -1);
  EXPECT_EQ(KeyCodeForKeysym(XKB_KEY_eacute), -1);
}

TEST(InputMapping, FieldKeysAndTypedText) {
  EXPECT_EQ(ViewKeyFor(XKB_KEY_KP_Enter, "\r", false, false)->mKey, EViewKey::kReturn);
  EXPECT_EQ(ViewKeyFor(XKB_KEY_Escape, "\x1b", false, false)->mKey, EViewKey::kEscape);
  const auto extend = ViewKeyFor(XKB_KEY_Left, "", true, false);
  EXPECT_EQ(extend->mKey, EViewKey::kLeft);
  EXPECT_TRUE(extend->mShift);
  const auto typed = ViewKeyFor(XKB_KEY_ssharp, "ß", false, false);
  EXPECT_EQ(typed->mKey, EViewKey::kText);
  EXPECT_EQ(typed->mText, "ß");
  // Ctrl makes shortcuts of letters, whatever they type, and nothing else.
  const auto paste = ViewKeyFor(XKB_KEY_V, "\x16", true, true);
  EXPECT_TRUE(paste->mCtrl);
  EXPECT_EQ(paste->mText, "v");
  EXPECT_FALSE(ViewKeyFor(XKB_KEY_1, "1", false, true));
  EXPECT_FALSE(ViewKeyFor(XKB_KEY_Shift_L, "", false, false));
}

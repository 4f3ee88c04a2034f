#include "platform/input_mapping.h"

#include <xcb/xproto.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

IMouseMod MouseModFor(int button, std::uint16_t state) {
  IMouseMod mod;
  const bool left = button == kButtonLeft || (button == 0 && (state & XCB_BUTTON_MASK_1));
  const bool right = button == kButtonRight || (button == 0 && (state & XCB_BUTTON_MASK_3));
  mod.Left = left;
  // The Super key stands in for the right button, as the command key does
  // elsewhere.
  mod.Right = right || (left && (state & XCB_MOD_MASK_4));
  mod.Shift = (state & XCB_MOD_MASK_SHIFT) != 0;
  mod.Ctrl = (state & XCB_MOD_MASK_CONTROL) != 0;
  mod.Alt = (state & XCB_MOD_MASK_1) != 0;
  return mod;
}

int WheelDelta(int button) {
  if (button == kWheelUp) return 1;
  if (button == kWheelDown) return -1;
  return 0;
}

void ClickCounter::SetLimits(int timeMs, int distance) {
  mTimeMs = std::max(timeMs, 0);
  mDistance = std::max(distance, 0);
}

int ClickCounter::Press(int button, int x, int y, std::uint32_t timeMs) {
  // Unsigned difference: the server's clock wraps after 49 days.
  const std::uint32_t elapsed = timeMs - mTime;
  const bool follows = mCount > 0 && button == mButton &&
                       elapsed <= static_cast<unsigned>(mTimeMs) && std::abs(x - mX) <= mDistance &&
                       std::abs(y - mY) <= mDistance;
  mCount = follows ? mCount + 1 : 1;
  mButton = button;
  mX = x;
  mY = y;
  mTime = timeMs;
  return mCount;
}

namespace {

// Reads the XSETTINGS wire format in the byte order it declares.
class SettingsReader {
 public:
  explicit SettingsReader(std::span<const std::uint8_t> bytes) : mBytes(bytes) {}
  bool Skip(std::size_t n) {
    if (n > mBytes.size() - mAt) return false;
    mAt += n;
    return true;
  }
  bool Card8(std::uint32_t* value) { return Number(1, value); }
  bool Card16(std::uint32_t* value) { return Number(2, value); }
  bool Card32(std::uint32_t* value) { return Number(4, value); }
  bool Text(std::size_t n, std::string_view* text) {
    if (n > mBytes.size() - mAt) return false;
    *text = std::string_view(reinterpret_cast<const char*>(mBytes.data() + mAt), n);
    mAt += n;
    return true;
  }
  void SetBigEndian(bool big) { mBig = big; }

 private:
  bool Number(std::size_t n, std::uint32_t* value) {
    if (n > mBytes.size() - mAt) return false;
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint32_t byte = mBytes[mAt + i];
      v |= mBig ? byte << (8 * (n - 1 - i)) : byte << (8 * i);
    }
    *value = v;
    mAt += n;
    return true;
  }

  std::span<const std::uint8_t> mBytes;
  std::size_t mAt = 0;
  bool mBig = false;
};

constexpr std::size_t Padded(std::size_t n) {
  return (n + 3) & ~std::size_t{3};
}

}  // namespace

ClickLimits ParseClickSettings(std::span<const std::uint8_t> property, ClickLimits defaults) {
  ClickLimits limits = defaults;
  SettingsReader reader(property);
  std::uint32_t order = 0, serial = 0, count = 0;
  if (!reader.Card8(&order) || !reader.Skip(3)) return limits;
  reader.SetBigEndian(order != 0);
  if (!reader.Card32(&serial) || !reader.Card32(&count)) return limits;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t type = 0, nameLength = 0, lastChange = 0;
    std::string_view name;
    if (!reader.Card8(&type) || !reader.Skip(1) || !reader.Card16(&nameLength) ||
        !reader.Text(nameLength, &name) || !reader.Skip(Padded(nameLength) - nameLength) ||
        !reader.Card32(&lastChange))
      return limits;
    if (type == 0) {
      std::uint32_t value = 0;
      if (!reader.Card32(&value)) return limits;
      const int number = static_cast<int>(value);
      if (number < 0 || number > 10000) continue;
      if (name == "Net/DoubleClickTime") limits.timeMs = number;
      if (name == "Net/DoubleClickDistance") limits.distance = number;
    } else if (type == 1) {
      std::uint32_t length = 0;
      if (!reader.Card32(&length) || !reader.Skip(length) || !reader.Skip(Padded(length) - length))
        return limits;
    } else if (type == 2) {
      if (!reader.Skip(8)) return limits;
    } else {
      return limits;
    }
  }
  return limits;
}

IRECT InvalidationRect(const IRECT& dirty, int width, int height) {
  if (dirty.Empty()) return {};
  const IRECT grown(std::max(dirty.L, 0), std::max(dirty.T, 0), std::min(dirty.R + 1, width),
                    std::min(dirty.B + 1, height));
  if (grown.L >= grown.R || grown.T >= grown.B) return {};
  return grown;
}

int KeyCodeForKeysym(xkb_keysym_t keysym) {
  switch (keysym) {
    case XKB_KEY_Up:
    case XKB_KEY_KP_Up:
      return KEY_UPARROW;
    case XKB_KEY_Down:
    case XKB_KEY_KP_Down:
      return KEY_DOWNARROW;
    case XKB_KEY_Left:
    case XKB_KEY_KP_Left:
      return KEY_LEFTARROW;
    case XKB_KEY_Right:
    case XKB_KEY_KP_Right:
      return KEY_RIGHTARROW;
    case XKB_KEY_Return:
    case XKB_KEY_KP_Enter:
      return KEY_RETURN;
    default:
      return KeyCodeForCharacter(xkb_keysym_to_utf32(keysym));
  }
}

std::optional<ViewKey> ViewKeyFor(xkb_keysym_t keysym, const std::string& text, bool shift,
                                  bool ctrl) {
  const auto key = [shift](EViewKey k) { return ViewKey::Key(k, shift); };
  switch (keysym) {
    case XKB_KEY_Return:
    case XKB_KEY_KP_Enter:
      return key(EViewKey::kReturn);
    case XKB_KEY_Escape:
      return key(EViewKey::kEscape);
    case XKB_KEY_BackSpace:
      return key(EViewKey::kBackspace);
    case XKB_KEY_Delete:
    case XKB_KEY_KP_Delete:
      return key(EViewKey::kDelete);
    case XKB_KEY_Left:
    case XKB_KEY_KP_Left:
      return key(EViewKey::kLeft);
    case XKB_KEY_Right:
    case XKB_KEY_KP_Right:
      return key(EViewKey::kRight);
    case XKB_KEY_Up:
    case XKB_KEY_KP_Up:
      return key(EViewKey::kUp);
    case XKB_KEY_Down:
    case XKB_KEY_KP_Down:
      return key(EViewKey::kDown);
    case XKB_KEY_Home:
    case XKB_KEY_KP_Home:
      return key(EViewKey::kHome);
    case XKB_KEY_End:
    case XKB_KEY_KP_End:
      return key(EViewKey::kEnd);
    case XKB_KEY_Tab:
    case XKB_KEY_ISO_Left_Tab:
      return key(EViewKey::kTab);
    default:
      break;
  }
  if (ctrl) {
    const char32_t c = xkb_keysym_to_utf32(xkb_keysym_to_lower(keysym));
    if (c >= U'a' && c <= U'z') return ViewKey::Shortcut(static_cast<char>(c));
    return std::nullopt;
  }
  if (text.empty()) return std::nullopt;
  return ViewKey::Text(text);
}

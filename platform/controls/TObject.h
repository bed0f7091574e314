#pragma once

#include <cstdint>
#include <functional>

class TObject {
public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// Modifier keys held while a key is pressed.
enum TShiftStateFlag : std::uint8_t { ssShift = 1, ssAlt = 2, ssCtrl = 4 };
using TShiftState = std::uint8_t;

// Key-down handler: Key is the 16-bit virtual key code, by reference as the toolkit passes it.
using TKeyEvent = std::function<void(TObject* Sender, std::uint16_t& Key, TShiftState Shift)>;

inline constexpr std::uint16_t VK_RETURN = 13;
inline constexpr std::uint16_t VK_ESCAPE = 27;
inline constexpr std::uint16_t VK_SPACE = 32;

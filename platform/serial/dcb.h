#pragma once

#include <cstdint>

namespace quorvex {

// The serial line-settings record, laid out field for field as the handheld platform's
// (28 bytes), so that code written against that platform fills it the same way.
struct Dcb {
    std::uint32_t DCBlength = 0;
    std::uint32_t BaudRate = 0;
    std::uint32_t fBinary : 1 = 0;
    std::uint32_t fParity : 1 = 0;
    std::uint32_t fOutxCtsFlow : 1 = 0;
    std::uint32_t fOutxDsrFlow : 1 = 0;
    std::uint32_t fDtrControl : 2 = 0;
    std::uint32_t fDsrSensitivity : 1 = 0;
    std::uint32_t fTXContinueOnXoff : 1 = 0;
    std::uint32_t fOutX : 1 = 0;
    std::uint32_t fInX : 1 = 0;
    std::uint32_t fErrorChar : 1 = 0;
    std::uint32_t fNull : 1 = 0;
    std::uint32_t fRtsControl : 2 = 0;
    std::uint32_t fAbortOnError : 1 = 0;
    std::uint32_t fDummy2 : 17 = 0;
    std::uint16_t wReserved = 0;
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 0;
    std::uint8_t Parity = 0;
    std::uint8_t StopBits = 0;
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    std::uint16_t wReserved1 = 0;
};
static_assert(sizeof(Dcb) == 28);

inline constexpr std::uint32_t DTR_CONTROL_DISABLE = 0;
inline constexpr std::uint32_t RTS_CONTROL_DISABLE = 0;

inline constexpr std::uint8_t NOPARITY = 0;
inline constexpr std::uint8_t ODDPARITY = 1;
inline constexpr std::uint8_t EVENPARITY = 2;
inline constexpr std::uint8_t MARKPARITY = 3;
inline constexpr std::uint8_t SPACEPARITY = 4;

inline constexpr std::uint8_t ONESTOPBIT = 0;
inline constexpr std::uint8_t ONE5STOPBITS = 1;
inline constexpr std::uint8_t TWOSTOPBITS = 2;

}  // namespace quorvex

#pragma once
// The identities of the component, the same in both releases except the
// interface: 8.61 has its own and keeps 8.50's as the alias endyear___v0.
#include <windows.h>

namespace vantyr::com {

inline constexpr const wchar_t* kProgId = L"QxcaEndy.endyear";
// {6866D2BF-35FD-48B8-A92E-2CB2576C5C71}
inline constexpr GUID kLibraryId{0x6866D2BF, 0x35FD, 0x48B8, {0xA9, 0x2E, 0x2C, 0xB2, 0x57, 0x6C, 0x5C, 0x71}};
// {484030E1-CFE3-4E5E-9484-CFE300BCFACA}
inline constexpr GUID kClassId{0x484030E1, 0xCFE3, 0x4E5E, {0x94, 0x84, 0xCF, 0xE3, 0x00, 0xBC, 0xFA, 0xCA}};
// {8EC2832B-1643-42EF-A236-E7A76E6D1A7C}
inline constexpr GUID kInterface850{0x8EC2832B, 0x1643, 0x42EF, {0xA2, 0x36, 0xE7, 0xA7, 0x6E, 0x6D, 0x1A, 0x7C}};
// {3321898E-C354-4731-AB62-BCF90801CBBC}
inline constexpr GUID kInterface861{0x3321898E, 0xC354, 0x4731, {0xAB, 0x62, 0xBC, 0xF9, 0x08, 0x01, 0xCB, 0xBC}};

}  // namespace vantyr::com

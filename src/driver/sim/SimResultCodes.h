#pragma once

#include <cstdint>
#include <string>

namespace kelvane {

// Result codes of the simulated registers. The driver's own codes that the procedures react to
// keep their numbers; the others are the bench's.
namespace sim_result {
constexpr std::int32_t Ok = 0;
constexpr std::int32_t NoAnswer = -1;
constexpr std::int32_t PortUnavailable = -3;
constexpr std::int32_t PaperOut = 107;
constexpr std::int32_t ResetRequired = 116;
constexpr std::int32_t SettingsDamaged = 120;
constexpr std::int32_t ClockReset = 121;
constexpr std::int32_t Busy = 147;
constexpr std::int32_t DateNotConfirmed = 150;
constexpr std::int32_t LoadForbidden = 160;
constexpr std::int32_t WrongFileType = 161;
constexpr std::int32_t WrongBlock = 162;
constexpr std::int32_t ImageIncomplete = 163;
constexpr std::int32_t TablesFileMissing = 170;
constexpr std::int32_t TablesFileMalformed = 171;
constexpr std::int32_t NoSuchTableField = 172;
}  // namespace sim_result

// The driver's description of a result code, in Russian; every non-zero code has one.
std::u16string SimResultDescription(std::int32_t ACode);

}  // namespace kelvane

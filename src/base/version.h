#pragma once

// The program's build version: the full text goes into the log and the
// update requests, the short text is the start-up hand-shake line.
namespace Version {
inline constexpr char fullText[] = "2.000.00202";
inline constexpr char shortText[] = "2.000";
inline constexpr int majorNumber = 2;
inline constexpr int minorNumber = 0;
inline constexpr int buildNumber = 202;
} // namespace Version

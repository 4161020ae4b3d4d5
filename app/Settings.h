#pragma once
// The 24 keys of the settings file and the values the windows keep in them: the first-start values,
// reading every key at start (a bad key keeps its value and reports its message, the others still
// load), and writing every key at close with the rule for maximised windows.

#include <array>
#include <string>
#include <vector>

class TParameter;

namespace SettingsKeys {
inline constexpr const char* Left = "Left";
inline constexpr const char* Top = "Top";
inline constexpr const char* Width = "Width";
inline constexpr const char* Height = "Height";
inline constexpr const char* WindowState = "WindowState";
// The levels of UpDown1 to UpDown9, in that order.
inline constexpr std::array<const char*, 9> Levels = {"自動補正レベル", "エッジ強調レベル", "ノイズ除去レベル",
                                                      "輪郭描画レベル", "モザイクレベル",   "ポスタリゼーションレベル",
                                                      "輪郭抽出レベル", "額縁の幅",         "額縁のコントラスト"};
inline constexpr const char* LightFromLeft = "額縁の光の方向";
inline constexpr const char* OpenDir = "OpenDir";
inline constexpr const char* SaveDir = "SaveDir";
inline constexpr const char* Smooth = "Smooth";
inline constexpr const char* HLeft = "HLeft";
inline constexpr const char* HTop = "HTop";
inline constexpr const char* HWidth = "HWidth";
inline constexpr const char* HHeight = "HHeight";
inline constexpr const char* HWindowState = "HWindowState";
inline constexpr const char* Histgram = "Histgram";
} // namespace SettingsKeys

// Window states as the keys store them.
inline constexpr int WindowStateNormal = 0;
inline constexpr int WindowStateMinimised = 1;
inline constexpr int WindowStateMaximised = 2;

// A window's placement: its normal bounds and its state.
struct TWindowPlacement
{
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    int WindowState = WindowStateNormal;

    bool operator==(const TWindowPlacement&) const = default;
};

// Everything the settings file keeps; the member initialisers are the first-start values (the main
// window's position is the one the system chose, filled in by the window).
struct TSettingsValues
{
    TWindowPlacement Main{0, 0, 604, 501, WindowStateNormal};
    std::array<int, 9> Levels = {0, 1, 0, 1, 2, 2, 1, 1, 105};
    bool LightFromLeft = true;
    std::string OpenDir;
    std::string SaveDir;
    bool Smooth = false;
    TWindowPlacement Histogram{723, 520, 294, 209, WindowStateNormal};
    bool HistogramOpen = false;
};

// Reads the main window's, the levels', the folders' and the options' keys, in table order, into
// Values, and the histogram window's with ReadHistogramPlacement. A key that is missing or whose text
// does not convert keeps the value Values had; the messages of such keys are returned in key order.
std::vector<std::string> ReadSettings(const TParameter& Parameter, TSettingsValues& Values);
// The histogram window's keys ("HLeft" .. "HWindowState") into Placement, each bad key keeping its value;
// the messages in key order.
std::vector<std::string> ReadHistogramPlacement(const TParameter& Parameter, TWindowPlacement& Placement);

// Writes all 24 keys in table order (a first start appends them after the header line in that order).
// The bounds of a maximised window are not written over the normal bounds the file holds (they are
// written only where the file lacks them), so it comes back maximised over its earlier placement.
void WriteSettings(TParameter& Parameter, const TSettingsValues& Values);
// The histogram window's placement keys under the same rule.
void WriteHistogramPlacement(TParameter& Parameter, const TWindowPlacement& Placement);

// Messages one a line, as one message box shows them.
std::string JoinedLines(const std::vector<std::string>& Messages);

// A new settings file's lines in memory: the header line, then every key of Values.
void WriteFirstStartSettings(TParameter& Parameter, const TSettingsValues& Values);

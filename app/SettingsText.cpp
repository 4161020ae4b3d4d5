#include "app/SettingsText.h"

#include "platform/system/CodePage.h"

#include <cstdio>
#include <optional>
#include <utility>

namespace {

constexpr char32_t EscapedByteBase = 0xDC00;

std::string Utf8Of(char32_t Code)
{
    std::string Text;
    if (Code < 0x80) {
        Text += char(Code);
    } else if (Code < 0x800) {
        Text += char(0xC0 | (Code >> 6));
        Text += char(0x80 | (Code & 0x3F));
    } else if (Code < 0x10000) {
        Text += char(0xE0 | (Code >> 12));
        Text += char(0x80 | ((Code >> 6) & 0x3F));
        Text += char(0x80 | (Code & 0x3F));
    } else {
        Text += char(0xF0 | (Code >> 18));
        Text += char(0x80 | ((Code >> 12) & 0x3F));
        Text += char(0x80 | ((Code >> 6) & 0x3F));
        Text += char(0x80 | (Code & 0x3F));
    }
    return Text;
}

// The character of UTF-8 Text at Position and its length in bytes; a byte that starts no well-formed
// sequence (a lone surrogate counts as one, as the escaped bytes are written) is a character of its own.
struct TUtf8Character
{
    char32_t Code;
    std::size_t Length;
    bool WellFormed;
};

TUtf8Character Utf8At(const std::string& Text, std::size_t Position)
{
    const auto Byte = [&](std::size_t Offset) {
        return Position + Offset < Text.size() ? static_cast<unsigned char>(Text[Position + Offset]) : 0u;
    };
    const unsigned Lead = Byte(0);
    if (Lead < 0x80) return {Lead, 1, true};
    const std::size_t Length = Lead >= 0xF0 ? 4 : Lead >= 0xE0 ? 3 : Lead >= 0xC0 ? 2 : 0;
    if (Length == 0 || Lead > 0xF4) return {Lead, 1, false};
    char32_t Code = Lead & (0x7F >> Length);
    for (std::size_t Index = 1; Index < Length; ++Index) {
        if ((Byte(Index) & 0xC0) != 0x80) return {Lead, 1, false};
        Code = (Code << 6) | (Byte(Index) & 0x3F);
    }
    const char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (Code < Smallest[Length] || Code > 0x10FFFF) return {Lead, 1, false};
    return {Code, Length, true};
}

bool IsSurrogate(char32_t Code)
{
    return Code >= 0xD800 && Code <= 0xDFFF;
}

// Whether CP932 holds the character: its bytes read back as the same character.
bool Cp932Holds(const std::string& Character)
{
    const std::string Bytes = Cp932FromUtf8(Character);
    return (Bytes != "?" || Character == "?") && Utf8FromCp932(Bytes) == Character;
}

std::optional<int> HexDigit(char Character)
{
    if (Character >= '0' && Character <= '9') return Character - '0';
    if (Character >= 'A' && Character <= 'F') return Character - 'A' + 10;
    return std::nullopt;
}

// "#xHEX;" at Position (upper-case hex without leading zeros, a scalar value): its code and length.
std::optional<std::pair<char32_t, std::size_t>> ReferenceBodyAt(const std::string& Text, std::size_t Position)
{
    if (Text.compare(Position, 2, "#x") != 0) return std::nullopt;
    std::size_t End = Position + 2;
    char32_t Code = 0;
    while (End < Text.size() && End - Position - 2 < 6 && HexDigit(Text[End]))
        Code = Code * 16 + char32_t(*HexDigit(Text[End++]));
    const std::size_t Digits = End - Position - 2;
    if (Digits == 0 || Text[Position + 2] == '0' || End >= Text.size() || Text[End] != ';') return std::nullopt;
    if (Code > 0x10FFFF || IsSurrogate(Code)) return std::nullopt;
    return std::pair{Code, End + 1 - Position};
}

// The character that the reference "&" + Text[Position..] stands for, and the length of its text after
// the "&": the reference of a character CP932 lacks, or "&#x26;" before another such reference (the
// escaped "&" of a literal one).
std::optional<std::pair<char32_t, std::size_t>> ReferenceAfterAmpersand(const std::string& Text, std::size_t Position)
{
    const auto Body = ReferenceBodyAt(Text, Position);
    if (!Body) return std::nullopt;
    if (Body->first == U'&') {
        if (!ReferenceAfterAmpersand(Text, Position + Body->second)) return std::nullopt;
    } else if (Cp932Holds(Utf8Of(Body->first))) {
        return std::nullopt;
    }
    return Body;
}

// The UTF-8 of one line's bytes, each character checked to write back as the same bytes.
std::string CharactersOf(const std::string& Bytes)
{
    const std::string Whole = Utf8FromCp932(Bytes);
    if (Cp932FromUtf8(Whole) == Bytes && Whole.find("\xEF\xBF\xBD") == std::string::npos) return Whole;
    std::string Text;
    for (std::size_t Position = 0; Position < Bytes.size();) {
        const auto Byte = static_cast<unsigned char>(Bytes[Position]);
        const bool Lead = (Byte >= 0x81 && Byte <= 0x9F) || (Byte >= 0xE0 && Byte <= 0xFC);
        const std::size_t Length = Lead && Position + 1 < Bytes.size() ? 2 : 1;
        const std::string Character = Bytes.substr(Position, Length);
        const std::string Decoded = Byte < 0x80 ? Character : Utf8FromCp932(Character);
        if (Byte < 0x80 || (Decoded.find("\xEF\xBF\xBD") == std::string::npos && Cp932FromUtf8(Decoded) == Character)) {
            Text += Decoded;
            Position += Length;
        } else {
            Text += Utf8Of(EscapedByteBase + Byte);
            ++Position;
        }
    }
    return Text;
}

} // namespace

std::string SettingsTextOf(const std::string& Bytes)
{
    const std::string Characters = CharactersOf(Bytes);
    std::string Text;
    for (std::size_t Position = 0; Position < Characters.size(); ++Position) {
        const auto Reference =
            Characters[Position] == '&' ? ReferenceAfterAmpersand(Characters, Position + 1) : std::nullopt;
        if (Reference) {
            Text += Utf8Of(Reference->first);
            Position += Reference->second;
        } else {
            Text += Characters[Position];
        }
    }
    return Text;
}

std::string SettingsBytesOf(const std::string& Text)
{
    // Text that CP932 holds whole, with no "&", is its own form.
    if (Text.find('&') == std::string::npos) {
        const std::string Bytes = Cp932FromUtf8(Text);
        if (Utf8FromCp932(Bytes) == Text) return Bytes;
    }
    std::string Bytes;
    for (std::size_t Position = 0; Position < Text.size();) {
        const TUtf8Character Character = Utf8At(Text, Position);
        const std::string Sequence = Text.substr(Position, Character.Length);
        if (!Character.WellFormed) {
            Bytes += Sequence;
        } else if (Character.Code >= EscapedByteBase + 0x80 && Character.Code <= EscapedByteBase + 0xFF) {
            // An escaped byte is written as itself.
            Bytes += char(Character.Code - EscapedByteBase);
        } else if (IsSurrogate(Character.Code)) {
            // No text; kept as it came.
            Bytes += Sequence;
        } else if (Character.Code == U'&') {
            Bytes += ReferenceAfterAmpersand(Text, Position + 1) ? "&#x26;" : "&";
        } else if (Cp932Holds(Sequence)) {
            Bytes += Cp932FromUtf8(Sequence);
        } else {
            char Hex[16];
            std::snprintf(Hex, sizeof Hex, "&#x%X;", unsigned(Character.Code));
            Bytes += Hex;
        }
        Position += Character.Length;
    }
    return Bytes;
}

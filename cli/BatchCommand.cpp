#include "cli/BatchCommand.h"

#include "platform/graphics/Picture.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <sstream>

namespace {

std::vector<std::string> SplitArguments(const std::string& Text)
{
    std::vector<std::string> Parts;
    std::size_t Start = 0;
    while (true) {
        const std::size_t Comma = Text.find(',', Start);
        Parts.push_back(Text.substr(Start, Comma - Start));
        if (Comma == std::string::npos) return Parts;
        Start = Comma + 1;
    }
}

std::string NumberText(long double Value)
{
    std::ostringstream Text;
    Text << Value;
    return Text.str();
}

// "2..50", "at least 1" or "at most 9": the bounds of a numeric argument in words.
std::string BoundsText(const TArgumentInfo& Info)
{
    const bool HasMin = Info.Min > std::numeric_limits<int>::min();
    const bool HasMax = Info.Max < std::numeric_limits<int>::max();
    if (HasMin && HasMax) return NumberText(Info.Min) + ".." + NumberText(Info.Max);
    return HasMin ? "at least " + NumberText(Info.Min) : "at most " + NumberText(Info.Max);
}

TArgument ParseArgument(const std::string& Kind, const TArgumentInfo& Info, const std::string& Text)
{
    const auto Refuse = [&](const std::string& What) -> TArgument {
        throw EBatchUsage(Kind + ": " + std::string(Info.Name) + " must be " + What + ", not \"" + Text + "\"");
    };
    // Not-a-number fails both comparisons.
    const auto WithinBounds = [&](long double Value) { return Value >= Info.Min && Value <= Info.Max; };
    switch (Info.Type) {
    case TArgumentType::Integer: {
        int Value = 0;
        const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
        if (Text.empty() || Error != std::errc() || End != Text.data() + Text.size()) return Refuse("an integer");
        if (!WithinBounds(Value)) return Refuse(BoundsText(Info));
        return Value;
    }
    case TArgumentType::Float: {
        char* End = nullptr;
        errno = 0;
        const long double Value = std::strtold(Text.c_str(), &End);
        if (Text.empty() || errno != 0 || End != Text.c_str() + Text.size()) return Refuse("a number");
        if (!WithinBounds(Value)) return Refuse(BoundsText(Info));
        return Value;
    }
    case TArgumentType::Boolean:
        if (Text == "true" || Text == "1") return true;
        if (Text == "false" || Text == "0") return false;
        return Refuse("true or false");
    }
    return Refuse("valid");
}

} // namespace

TBatchStep ParseBatchStep(const std::string& Text)
{
    const std::size_t Colon = Text.find(':');
    const std::string Kind = Text.substr(0, Colon);
    TBatchStep Step;
    if (Kind == "PixelFormat") {
        if (Colon == std::string::npos || Text.substr(Colon + 1) != "8")
            throw EBatchUsage("PixelFormat takes 8 (the halftone palette)");
        return Step;
    }
    Step.Operation = FindOperation(Kind);
    if (Step.Operation == nullptr) throw EBatchUsage("unknown operation \"" + Kind + "\" (see --list)");
    const std::vector<std::string> Texts =
        Colon == std::string::npos ? std::vector<std::string>{} : SplitArguments(Text.substr(Colon + 1));
    const auto& Infos = Step.Operation->Arguments;
    if (Texts.size() != Infos.size())
        throw EBatchUsage(Kind + " takes " + std::to_string(Infos.size()) + " argument(s), not " +
                          std::to_string(Texts.size()));
    for (std::size_t Index = 0; Index < Texts.size(); ++Index)
        Step.Arguments.push_back(ParseArgument(Kind, Infos[Index], Texts[Index]));
    return Step;
}

TBatchCommand ParseBatchCommand(std::span<const std::string> Arguments)
{
    TBatchCommand Command;
    if (Arguments.size() == 1 && (Arguments[0] == "--help" || Arguments[0] == "-h")) return Command;
    if (Arguments.size() == 1 && Arguments[0] == "--list") {
        Command.Mode = btList;
        return Command;
    }
    if (!Arguments.empty() && Arguments[0] == "--info") {
        if (Arguments.size() != 2) throw EBatchUsage("--info takes one INPUT");
        Command.Mode = btInfo;
        Command.Input = Arguments[1];
        return Command;
    }
    Command.Mode = btConvert;
    bool HaveInput = false;
    bool HaveOutput = false;
    for (std::size_t Index = 0; Index < Arguments.size(); ++Index) {
        const std::string& Word = Arguments[Index];
        if (Word == "--time") {
            Command.Time = true;
        } else if (Word == "-o") {
            if (HaveOutput || Index + 1 == Arguments.size()) throw EBatchUsage("-o takes one OUTPUT");
            Command.Output = Arguments[++Index];
            HaveOutput = true;
        } else if (Word.size() > 1 && Word.front() == '-') {
            throw EBatchUsage("unknown option " + Word);
        } else if (!HaveInput) {
            Command.Input = Word;
            HaveInput = true;
        } else {
            Command.Steps.push_back(ParseBatchStep(Word));
        }
    }
    if (!HaveInput || !HaveOutput) throw EBatchUsage("INPUT and -o OUTPUT are needed");
    return Command;
}

std::string BatchUsage()
{
    std::string Extensions;
    for (const auto& Extension : TPicture::FileExtensions()) Extensions += " ." + Extension;
    return "usage: pixora-batch INPUT [OPERATION...] [--time] -o OUTPUT\n"
           "       pixora-batch --info INPUT\n"
           "       pixora-batch --list\n"
           "       pixora-batch --help\n"
           "\n"
           "Reads INPUT (by its extension:" +
           Extensions +
           "), applies each OPERATION in turn and writes OUTPUT in the format\n"
           "its extension names: a bitmap is written as a copy of the picture, other formats are made from a\n"
           "bitmap copy of it.\n"
           "An OUTPUT extension that names no format gets the picture in its own format.\n"
           "OUTPUT is written to a temporary file beside it, then renamed over it, so that a failure leaves it\n"
           "as it was; it keeps the permissions, and where allowed the owner and group, of the file it replaces.\n"
           "A symbolic link is followed and the file it names replaced. A FIFO or a character device (such as\n"
           "/dev/stdout on a pipe or a terminal) is written into directly.\n"
           "An OPERATION is Kind or Kind:ARG,ARG,... as --list shows; booleans are true or false. A picture that\n"
           "is not a bitmap is first made a 24-bit bitmap. --time prints each operation's milliseconds on\n"
           "standard error. PixelFormat:8 converts the picture to 8 bits on the halftone palette.\n"
           "\n"
           "--info prints one line: kind=K width=W height=H bits=B pixelformat=P handletype=T, where K is nil,\n"
           "bitmap, metafile, icon or unknown (a JPEG or PNG picture), P is pfDevice, pf1bit, pf4bit, pf8bit,\n"
           "pf15bit, pf16bit, pf24bit, pf32bit or pfcustom and T is bmDIB or bmDDB (both none, and B 0, for a\n"
           "picture that is not a bitmap).\n"
           "\n"
           "Exit status: 0 done, 1 the picture could not be read, changed or written (the message is on\n"
           "standard error), 2 a usage error, 3 an operation refused the picture (its kind is on standard error).\n";
}

std::string BatchOperationList()
{
    std::ostringstream List;
    for (const TOperationInfo& Operation : Operations()) {
        List << Operation.Kind;
        for (std::size_t Index = 0; Index < Operation.Arguments.size(); ++Index)
            List << (Index == 0 ? ':' : ',') << Operation.Arguments[Index].Name;
        List << "  (" << Operation.Range << ")" << (Operation.Apply == nullptr ? " not in this build" : "") << "\n";
    }
    return List.str();
}

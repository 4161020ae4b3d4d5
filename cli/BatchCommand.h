#pragma once
// pixora-batch: the command line, parsed into what to do, and running it.
//
//   pixora-batch INPUT [OPERATION...] [--time] -o OUTPUT   converts INPUT to OUTPUT's format, after the
//                                                          operations
//   pixora-batch --info INPUT                     prints one line describing the picture
//   pixora-batch --list                           lists the operations
//   pixora-batch --help
//
// An OPERATION is Kind or Kind:ARG,ARG,... of the engine's operation table; adding an operation to that
// table makes it available here.

#include "engine/OperationTable.h"
#include "platform/system/Exceptions.h"

#include <ostream>
#include <span>
#include <string>
#include <vector>

class TKelvoImage;
class TPicture;

// A command line that does not say what to do; the tool prints it in one line with a hint to --help
// and exits 2.
class EBatchUsage : public Exception
{
    using Exception::Exception;
};

enum TBatchMode
{
    btConvert,
    btInfo,
    btList,
    btHelp
};

// An operation of the engine's table, or (Operation null) "PixelFormat:8": the picture layer's conversion
// onto the halftone palette, as the editor's 256-colour command does it.
struct TBatchStep
{
    const TOperationInfo* Operation = nullptr;
    std::vector<TArgument> Arguments;
};

struct TBatchCommand
{
    TBatchMode Mode = btHelp;
    std::string Input;
    std::string Output;
    std::vector<TBatchStep> Steps;
    // --time: each operation's milliseconds on standard error.
    bool Time = false;
};

// An operation that refused the picture (its OnAmended did not fire); the tool exits 3.
class EBatchRefused : public Exception
{
    using Exception::Exception;
};

// Parses the arguments after the program name; raises EBatchUsage.
TBatchCommand ParseBatchCommand(std::span<const std::string> Arguments);
// One step from "Kind" or "Kind:ARG,ARG,..."; raises EBatchUsage for an unknown kind or arguments that
// do not match the operation's in number and type.
TBatchStep ParseBatchStep(const std::string& Text);

std::string BatchUsage();
// One line an operation: Kind:ARG,... and its range.
std::string BatchOperationList();

// "kind=… width=… height=… bits=… pixelformat=… handletype=…" of the image's picture.
std::string PictureInfo(TKelvoImage& Image);
// Writes Picture's graphic to FileName in the format its extension names (see BatchUsage). A JPEG file
// written carries the EXIF block of OpenedFile, the JPEG file the picture was read from, as the editor's
// saving does: upright and at the written size.
void SavePictureAs(const TPicture& Picture, const std::string& FileName, const std::string& OpenedFile = {});

// Runs the command line: 0 on success, 1 after an error (its message on Errors), 2 after a usage error,
// 3 when an operation refused the picture.
int RunBatch(std::span<const std::string> Arguments, std::ostream& Output, std::ostream& Errors);

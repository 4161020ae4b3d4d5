#pragma once
// The print service's own message for the last request this thread made of it (the toolkit's print
// support hands a finished job to it on this thread and keeps no error of its own).

#include <string>

// Starts a fresh record: a request that succeeds, so that an older failure is not reported again.
void ClearPrintServiceError();
// The message of the last request if it failed, else empty.
std::string PrintServiceError();

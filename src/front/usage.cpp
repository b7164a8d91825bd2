#include "front/usage.h"

#include "output/line_writer.h"

namespace varnex {

void PrintUsage() {
    WriteLine("Usage:");
    WriteLine("Varnex <filename> [-O:<offset>] [-P:<page size>] [-N:<pages to dump>]");
    WriteLine("  <filename>\t\t- Name of the file to mip");
    WriteLine("  -P:<page size>\t- Size of the pages to dump");
    WriteLine("Copyright (C) 2026 Varnex developers. Released under the MIT licence.");
}

}  // namespace varnex

// Program (fxp) and bank (fxb) files for the commands: the framework's format,
// its failures as HostError, and whole-file I/O.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "framework/fx_file_format.h"

// Throws HostError for bytes that are no program or bank file, files shorter
// than their headers, and sizes that lie.
FxFile FxFileFromBytes(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> FxFileToBytes(const FxFile& file);

// Whole-file I/O with a clear error; reads refuse files above a sane size.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);

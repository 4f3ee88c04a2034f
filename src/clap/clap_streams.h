// A whole state through the host's streams, which may move fewer bytes per
// call than asked and never say how many are coming.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "clap/clap_abi.h"

// Every byte, in as many calls as the host needs. False when the stream
// fails, accepts nothing, or claims more than it was given.
bool WriteWhole(const clap_ostream_t* stream, std::span<const std::uint8_t> bytes);  // main

// Everything up to the end of the stream, or nothing when it fails, claims
// more than it was asked for, or goes on past `limit` bytes.
std::optional<std::vector<std::uint8_t>> ReadWhole(const clap_istream_t* stream,
                                                   std::uint64_t limit);  // main

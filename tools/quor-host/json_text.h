// JSON text as nlohmann's dump(2) lays it out, valid whatever bytes its
// strings hold: file names are bytes, not always UTF-8. A byte that is not
// part of a UTF-8 character becomes the escape \udcXX for byte XX, which
// Python's json and os.fsencode turn back into the very name.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

std::string JsonText(const nlohmann::json& value);

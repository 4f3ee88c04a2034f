// Every format the console is tested in, and the fixture that runs a test
// once for each.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/plugin/clap_console_host.h"
#include "tests/plugin/console_host.h"
#include "tests/plugin/lv2_console_host.h"
#include "tests/plugin/vst2_console_host.h"
#include "tests/plugin/vst3_console_host.h"

struct ConsoleFormat {
  const char* mName;
  ConsoleHostMaker mMake;
};

inline std::vector<ConsoleFormat> ConsoleFormats() {
  return {
      {"VST2", &MakeVst2ConsoleHost},
      {"LV2", &MakeLv2ConsoleHost},
      {"CLAP", &MakeClapConsoleHost},
      {"VST3", &MakeVst3ConsoleHost},
  };
}

class ConsoleBehaviour : public ::testing::TestWithParam<ConsoleFormat> {
 protected:
  std::unique_ptr<ConsoleHost> NewHost() const { return GetParam().mMake(); }
  std::unique_ptr<ConsoleHost> host = NewHost();
};

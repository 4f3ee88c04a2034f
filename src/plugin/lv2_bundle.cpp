// Writes the Turtle files of the QUOR.lv2 bundle into the folder given, from
// QUOR's description: run by the build, so they are never written by hand.
#include <fstream>
#include <iostream>
#include <string>

#include "lv2/lv2_description.h"
#include "lv2/lv2_turtle.h"
#include "plugin/quor_descriptor.h"

namespace {

bool Write(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (out) return true;
  std::cerr << "lv2-bundle: cannot write " << path << "\n";
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: lv2-bundle FOLDER\n";
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  const Lv2Description& d = Lv2DescriptionOf(QuorDescriptor());
  const bool written = Write(folder + "manifest.ttl", ManifestTurtle(d)) &&
                       Write(folder + d.mPluginTurtle, PluginTurtle(d)) &&
                       Write(folder + d.mUiTurtle, UiTurtle(d)) &&
                       Write(folder + d.mPresetsTurtle, PresetsTurtle(d));
  return written ? 0 : 1;
}

#include <exception>

#include "quor-host/commands.h"
#include "quor-host/host_error.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage:\n"
    "  quor-host info PLUGIN [--state FILE] [--set NAME=TEXT|INDEX=VALUE ...]\n"
    "  quor-host render PLUGIN -o OUT [IN ...] [--block N] [--precision 32|64]\n"
    "                   [--outputs N] [--in-place] [--state FILE]\n"
    "                   [--set NAME=TEXT|INDEX=VALUE ...]\n"
    "  quor-host state save PLUGIN FILE.fxp|FILE.fxb [--state FILE] [--set ...]\n"
    "  quor-host state show FILE\n";

}  // namespace

int RunQuorHost(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) {
  if (arguments.empty() || arguments[0] == "--help" || arguments[0] == "-h" ||
      arguments[0] == "help") {
    (arguments.empty() ? err : out) << kUsage;
    return arguments.empty() ? kExitUsage : 0;
  }
  const std::string& command = arguments[0];
  try {
    if (command == "info") {
      RunInfo(ParseOptions(arguments.subspan(1)), out);
    } else if (command == "render") {
      RunRender(ParseOptions(arguments.subspan(1)), out);
    } else if (command == "state" && arguments.size() > 1 && arguments[1] == "save") {
      RunStateSave(ParseOptions(arguments.subspan(2)), out);
    } else if (command == "state" && arguments.size() > 1 && arguments[1] == "show") {
      RunStateShow(ParseOptions(arguments.subspan(2)), out);
    } else {
      err << "quor-host: unknown command \"" << command << "\"\n" << kUsage;
      return kExitUsage;
    }
  } catch (const HostError& error) {
    err << "quor-host: " << error.what() << '\n';
    return kExitFailure;
  } catch (const std::bad_alloc&) {
    err << "quor-host: out of memory\n";
    return kExitFailure;
  } catch (const std::exception& error) {
    err << "quor-host: " << error.what() << '\n';
    return kExitFailure;
  }
  return 0;
}

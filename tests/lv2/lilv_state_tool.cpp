// A state saved and read with lilv, the library jalv and Ardour keep LV2
// states with:
//   lilv_state_tool save DIR NAME1 ... NAME9 [SYMBOL=VALUE ...]
//     instantiates the plug-in, gives it the nine names, saves DIR/state.ttl
//     with the port values given (others at their defaults);
//   lilv_state_tool show DIR
//     restores DIR/state.ttl into a new instance and prints the names it
//     then saves, one per line, and every port value lilv restored.
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr const char* kUri = "urn:vandorhaus:quor";

struct Uris {
  std::map<std::string, LV2_URID> ids;
  std::vector<std::string> uris{""};
  LV2_URID Map(const char* uri) {
    auto [at, added] = ids.emplace(uri, static_cast<LV2_URID>(uris.size()));
    if (added) uris.emplace_back(uri);
    return at->second;
  }
};

LV2_URID MapUri(LV2_URID_Map_Handle handle, const char* uri) {
  return static_cast<Uris*>(handle)->Map(uri);
}

const char* UnmapUri(LV2_URID_Unmap_Handle handle, LV2_URID id) {
  auto& uris = static_cast<Uris*>(handle)->uris;
  return id < uris.size() ? uris[id].c_str() : nullptr;
}

// The names as properties the plug-in's restore reads.
struct Names {
  std::map<LV2_URID, std::string> values;
  LV2_URID string = 0;
};

const void* RetrieveName(LV2_State_Handle handle, std::uint32_t key, std::size_t* size,
                         std::uint32_t* type, std::uint32_t* flags) {
  auto* names = static_cast<Names*>(handle);
  const auto at = names->values.find(key);
  if (at == names->values.end()) return nullptr;
  *size = at->second.size() + 1;
  *type = names->string;
  *flags = LV2_STATE_IS_POD;
  return at->second.c_str();
}

LV2_State_Status PrintName(LV2_State_Handle handle, std::uint32_t key, const void* value,
                           std::size_t, std::uint32_t, std::uint32_t) {
  std::printf("name %s=%s\n", UnmapUri(handle, key), static_cast<const char*>(value));
  return LV2_STATE_SUCCESS;
}

struct PortValues {
  std::map<std::string, float> values;
  LV2_URID floatType = 0;
};

const void* PortValue(const char* symbol, void* data, std::uint32_t* size, std::uint32_t* type) {
  auto* ports = static_cast<PortValues*>(data);
  const auto at = ports->values.find(symbol);
  if (at == ports->values.end()) return nullptr;
  *size = sizeof(float);
  *type = ports->floatType;
  return &at->second;
}

void SetPortValue(const char* symbol, void*, const void* value, std::uint32_t size, std::uint32_t) {
  if (size == sizeof(float))
    std::printf("port %s=%g\n", symbol, static_cast<double>(*static_cast<const float*>(value)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: lilv_state_tool save DIR NAME... | show DIR\n");
    return 2;
  }
  const std::string command = argv[1];
  const std::string dir = argv[2];
  Uris uris;
  LV2_URID_Map map{&uris, MapUri};
  LV2_URID_Unmap unmap{&uris, UnmapUri};
  const LV2_Feature mapFeature{LV2_URID__map, &map};
  const LV2_Feature unmapFeature{LV2_URID__unmap, &unmap};
  const LV2_Feature* features[] = {&mapFeature, &unmapFeature, nullptr};

  LilvWorld* world = lilv_world_new();
  lilv_world_load_all(world);
  LilvNode* uri = lilv_new_uri(world, kUri);
  const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
  if (!plugin) {
    std::fprintf(stderr, "lilv_state_tool: %s not found\n", kUri);
    return 1;
  }
  LilvInstance* instance = lilv_plugin_instantiate(plugin, 48000., features);
  if (!instance) return 1;
  const auto* state = static_cast<const LV2_State_Interface*>(
      lilv_instance_get_extension_data(instance, LV2_STATE__interface));
  int status = 0;
  if (command == "save") {
    Names names;
    names.string = uris.Map(LV2_ATOM__String);
    PortValues ports;
    ports.floatType = uris.Map(LV2_ATOM__Float);
    for (int i = 3; i < argc; ++i) {
      const std::string arg = argv[i];
      const std::size_t equals = arg.find('=');
      if (i < 12) {
        const std::string key = i < 11 ? std::string(kUri) + "#track_name_" + std::to_string(i - 2)
                                       : std::string(kUri) + "#master_name";
        names.values[uris.Map(key.c_str())] = arg;
      } else if (equals != std::string::npos) {
        ports.values[arg.substr(0, equals)] = std::strtof(arg.c_str() + equals + 1, nullptr);
      }
    }
    state->restore(lilv_instance_get_handle(instance), RetrieveName, &names, 0, nullptr);
    LilvState* saved =
        lilv_state_new_from_instance(plugin, instance, &map, nullptr, nullptr, nullptr, dir.c_str(),
                                     PortValue, &ports, 0, features);
    status =
        saved && lilv_state_save(world, &map, &unmap, saved, nullptr, dir.c_str(), "state.ttl") == 0
            ? 0
            : 1;
    lilv_state_free(saved);
  } else {
    LilvState* loaded =
        lilv_state_new_from_file(world, &map, nullptr, (dir + "/state.ttl").c_str());
    if (!loaded) return 1;
    lilv_state_restore(loaded, instance, SetPortValue, nullptr, 0, features);
    state->save(lilv_instance_get_handle(instance), PrintName, &uris, 0, nullptr);
    lilv_state_free(loaded);
  }
  lilv_instance_free(instance);
  lilv_node_free(uri);
  lilv_world_free(world);
  return status;
}

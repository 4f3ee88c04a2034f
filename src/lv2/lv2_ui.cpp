#include "lv2/lv2_ui.h"

#include <lv2/atom/atom.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <string_view>

#include "lv2/lv2_plugin.h"

namespace {

const void* FeatureData(const LV2_Feature* const* features, std::string_view uri) {
  for (const LV2_Feature* const* f = features; f && *f; ++f)
    if ((*f)->URI && uri == (*f)->URI) return (*f)->data;
  return nullptr;
}

// The scale factor among the host's options, 0 without one.
double HostScale(const LV2_Feature* const* features) {
  auto* map = static_cast<LV2_URID_Map*>(const_cast<void*>(FeatureData(features, LV2_URID__map)));
  const auto* options =
      static_cast<const LV2_Options_Option*>(FeatureData(features, LV2_OPTIONS__options));
  if (!map || !map->map || !options) return 0.;
  const LV2_URID key = map->map(map->handle, LV2_UI__scaleFactor);
  const LV2_URID type = map->map(map->handle, LV2_ATOM__Float);
  for (const LV2_Options_Option* o = options; o->key != 0; ++o)
    if (o->key == key && o->type == type && o->size == sizeof(float) && o->value)
      return static_cast<double>(*static_cast<const float*>(o->value));
  return 0.;
}

}  // namespace

std::unique_ptr<Lv2Ui> Lv2Ui::Create(LV2UI_Write_Function write, LV2UI_Controller controller,
                                     LV2UI_Widget* widget, const LV2_Feature* const* features) {
  auto* plugin =
      static_cast<Lv2Plugin*>(const_cast<void*>(FeatureData(features, LV2_INSTANCE_ACCESS_URI)));
  if (!plugin || !write || !widget) return nullptr;
  std::unique_ptr<Lv2Ui> ui(new Lv2Ui(plugin->UiLink(), write, controller));
  ui->mResize = static_cast<const LV2UI_Resize*>(FeatureData(features, LV2_UI__resize));
  ui->mTouch = static_cast<const LV2UI_Touch*>(FeatureData(features, LV2_UI__touch));
  // A host that draws its own interface at a scale announces it.
  if (IEditorSurface* editor = plugin->Plug().GetGUI()) editor->SetHostScale(HostScale(features));
  // Attached before the editor opens: its first gesture finds the UI.
  plugin->AttachUi(ui.get());
  void* parent = const_cast<void*>(FeatureData(features, LV2_UI__parent));
  void* view = plugin->Plug().OpenEditor(parent);
  if (!view) {
    plugin->DetachUi(ui.get());
    return nullptr;
  }
  *widget = view;
  // The size the window opened at, in pixels, as the host's window needs it.
  if (IEditorSurface* editor = plugin->Plug().GetGUI()) {
    int width = 0, height = 0;
    editor->WindowSize(&width, &height);
    ui->Resize(width, height);
  }
  return ui;
}

Lv2Ui::Lv2Ui(std::shared_ptr<Lv2UiLink> link, LV2UI_Write_Function write,
             LV2UI_Controller controller)
    : mLink(std::move(link)), mWrite(write), mController(controller) {}

Lv2Ui::~Lv2Ui() {
  std::lock_guard lock(mLink->mMutex);
  Lv2Plugin* plugin = mLink->mPlugin;
  // A later UI of the same instance owns the editor now: its window stays.
  if (plugin && plugin->DetachUi(this)) plugin->Plug().CloseEditor();
}

void Lv2Ui::PortEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format,
                      const void* buffer) {
  std::lock_guard lock(mLink->mMutex);
  if (!mLink->mPlugin) return;
  const std::vector<Lv2Port>& ports = mLink->mPlugin->Description().mPorts;
  if (format != 0 || size != sizeof(float) || !buffer || port >= ports.size()) return;
  const Lv2Port& description = ports[port];
  if (description.mKind != Lv2Port::Kind::kControlIn) return;
  IEffectBase& plug = mLink->mPlugin->Plug();
  if (IEditorSurface* editor = plug.GetGUI(); editor && plug.IsValidParamIdx(description.mIndex))
    editor->SetParameterFromPlug(description.mIndex,
                                 static_cast<double>(*static_cast<const float*>(buffer)), false);
}

int Lv2Ui::Idle() {
  std::lock_guard lock(mLink->mMutex);
  if (mLink->mPlugin) mLink->mPlugin->Plug().DeliverEdits();
  return 0;
}

void Lv2Ui::Touch(std::uint32_t port, bool grabbed) {
  if (mTouch && mTouch->touch) mTouch->touch(mTouch->handle, port, grabbed);
}

void Lv2Ui::Write(std::uint32_t port, float value) {
  mWrite(mController, port, sizeof(float), 0, &value);
}

void Lv2Ui::Resize(int width, int height) {
  if (mResize && mResize->ui_resize) mResize->ui_resize(mResize->handle, width, height);
}

// The one symbol a CLAP host looks up in QUOR.clap: the entry, over QUOR's
// description for the adapter.
#include <memory>
#include <string>

#include "clap/clap_entry_point.h"
#include "plugin/quor.h"

namespace {

const ClapDescription& QuorClapDescription() {
  static const ClapDescription description = [] {
    static const char* const kFeatures[] = {kClapFeatureAudioEffect, kClapFeatureMixing,
                                            kClapFeatureSurround, nullptr};
    ClapDescription d;
    d.mId = "com.vandorhaus.quor";
    d.mName = "QUOR";
    d.mVendor = "Vandorhaus";
    d.mVersion = "1.1.0";
    d.mSummary = "Eight-track mixing console";
    d.mFeatures = kFeatures;
    d.mMake = [] { return std::unique_ptr<IEffectBase>(std::make_unique<QUOR>()); };
    d.mChannels = 16;
    for (int idx = 0; idx < kNumParams; ++idx) {
      const QuorParam* param = FindParam(idx);
      if (!param) continue;
      ClapParamDescription p;
      p.mIdx = idx;
      p.mModule = param->mTrack < 0 ? "Master" : "Track " + std::to_string(param->mTrack + 1);
      p.mHostBypass = param->mRow->mRole == ParamRole::kGlobalBypass;
      p.mChoice = param->mRow->mStyle != ParamStyle::kContinuous;
      d.mParams.push_back(p);
    }
    return d;
  }();
  return description;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const clap_plugin_entry_t clap_entry =
    ClapEntryFor<&QuorClapDescription>();

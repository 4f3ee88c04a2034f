#include "quor-host/renderer.h"

Renderer::Renderer(const Plugin& plugin, Precision precision, std::size_t blockSize, bool inPlace,
                   std::vector<AudioSource>& sources, const Routing& routing, MidiFeed& midi)
    : mPlugin(plugin),
      mFeeder(sources, routing, blockSize),
      mMidi(midi),
      mCall(plugin, precision, blockSize, inPlace),
      mIn(static_cast<std::size_t>(plugin.NumInputs()), blockSize),
      mOut(static_cast<std::size_t>(plugin.NumOutputs()), blockSize) {}

void Renderer::Process(std::size_t frames) {
  mFeeder.Fill(mIn.Pointers(), frames);
  mPlugin.Context().samplePos = static_cast<double>(mPosition);
  if (VstEvents* events = mMidi.Block(mPosition, frames)) {
    mPlugin.Dispatch(effProcessEvents, 0, 0, events);
  }
  mPosition += static_cast<std::int64_t>(frames);
  mCall.Process(mIn.Pointers(), mOut.Pointers(), frames);
}

// Saving and restoring QUOR's state through the host's chunk requests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/plugin/loaded_plugin.h"

namespace {

std::vector<std::uint8_t> GetChunk(const LoadedPlugin& plug, bool isPreset) {
  void* data = nullptr;
  const VstIntPtr size = plug.Dispatch(effGetChunk, isPreset ? 1 : 0, 0, &data);
  if (size <= 0 || !data) return {};
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  return {bytes, bytes + size};
}

VstIntPtr SetChunk(const LoadedPlugin& plug, bool isPreset, std::vector<std::uint8_t> bytes) {
  return plug.Dispatch(effSetChunk, isPreset ? 1 : 0, static_cast<VstIntPtr>(bytes.size()),
                       bytes.data());
}

// A program chunk with the given names and every parameter at `value`.
std::vector<std::uint8_t> MakeState(const std::vector<std::string>& names, double value) {
  std::vector<std::uint8_t> bytes{0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  for (const std::string& name : names) {
    const auto length = static_cast<std::int32_t>(name.size());
    const auto* l = reinterpret_cast<const std::uint8_t*>(&length);
    bytes.insert(bytes.end(), l, l + 4);
    bytes.insert(bytes.end(), name.begin(), name.end());
  }
  for (int i = 0; i < 94; ++i) {
    const auto* v = reinterpret_cast<const std::uint8_t*>(&value);
    bytes.insert(bytes.end(), v, v + 8);
  }
  return bytes;
}

std::vector<float> AllParams(const LoadedPlugin& plug) {
  std::vector<float> values;
  for (int i = 0; i < 94; ++i)
    values.push_back(plug.Get(i));
  return values;
}

// A bank as the versions with one program saved it: the header, then that
// program, "-", with the state of a program chunk.
std::vector<std::uint8_t> OneProgramBank(const std::vector<std::uint8_t>& program) {
  std::vector<std::uint8_t> bank(program.begin(), program.begin() + 8);
  for (const int byte : {1, 0, 0, 0, int{'-'}, 1})
    bank.push_back(static_cast<std::uint8_t>(byte));
  bank.insert(bank.end(), program.begin() + 8, program.end());
  return bank;
}

std::string ProgramName(const LoadedPlugin& plug, int program) {
  char name[64] = {};
  plug.Dispatch(effGetProgramNameIndexed, program, 0, name);
  return name;
}

}  // namespace

TEST(State, DefaultProgramChunk) {
  LoadedPlugin plug;
  plug.Dispatch(effOpen);
  const std::vector<std::uint8_t> chunk = GetChunk(plug, true);
  ASSERT_EQ(chunk.size(), 8u + 874u);
  const std::uint8_t header[] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  EXPECT_EQ(std::memcmp(chunk.data(), header, 8), 0);
  EXPECT_EQ(chunk[8], 10);  // "Track Name"
  EXPECT_EQ(std::string(chunk.begin() + 12, chunk.begin() + 22), "Track Name");
  EXPECT_EQ(plug.Text(effGetProgramName), "Console Defaults");
  EXPECT_EQ(plug.Dispatch(effGetProgram), 0);
}

TEST(State, BankChunkRoundTrip) {
  LoadedPlugin source;
  source.Dispatch(effOpen);
  source.Set(3, 0.75f);
  source.Dispatch(effSetProgramName, 0, 0, const_cast<char*>("A very long program name indeed"));
  const std::vector<std::uint8_t> bank = GetChunk(source, false);
  ASSERT_FALSE(bank.empty());
  EXPECT_EQ(source.Text(effGetProgramName).size(), 24u);  // cut for the host's buffer

  LoadedPlugin target;
  target.Dispatch(effOpen);
  ASSERT_EQ(SetChunk(target, false, bank), 1);
  EXPECT_FLOAT_EQ(target.Get(3), 0.75f);
  char name[64] = {};
  EXPECT_EQ(target.Dispatch(effGetProgramNameIndexed, 0, 0, name), 1);
  EXPECT_STREQ(name, "A very long program name");
  EXPECT_EQ(target.Dispatch(effGetProgramNameIndexed, 9, 0, name), 0);
  EXPECT_STREQ(name, "");
}

TEST(State, BanksOfTheOneProgramVersionsLoadAndSaveAsBefore) {
  LoadedPlugin source;
  source.Dispatch(effOpen);
  source.Set(3, 0.75f);
  const std::vector<std::uint8_t> old = OneProgramBank(GetChunk(source, true));

  LoadedPlugin target;
  target.Dispatch(effOpen);
  target.Dispatch(effSetProgram, 0, 0);  // as the session says
  ASSERT_EQ(SetChunk(target, false, old), 1);
  EXPECT_FLOAT_EQ(target.Get(3), 0.75f);
  EXPECT_EQ(target.Text(effGetProgramName), "-");
  EXPECT_EQ(ProgramName(target, 1), "Clean Unity");
  // A session that used no preset keeps its bytes.
  EXPECT_EQ(GetChunk(target, false), old);
}

TEST(State, ABankKeepsTheProgramInUseAndOnlyWhatChanged) {
  LoadedPlugin fresh;
  fresh.Dispatch(effOpen);
  EXPECT_EQ(GetChunk(fresh, false).size(), 8u + 4 + 16 + 1 + 874);  // the first program alone

  LoadedPlugin source;
  source.Dispatch(effOpen);
  source.Dispatch(effSetProgram, 0, 4);
  source.Set(13, 0.9f);
  const std::vector<std::uint8_t> bank = GetChunk(source, false);

  LoadedPlugin target;
  target.Dispatch(effOpen);
  ASSERT_EQ(SetChunk(target, false, bank), 1);
  EXPECT_EQ(target.Dispatch(effGetProgram), 4);
  EXPECT_EQ(target.Text(effGetProgramName), "Vocal Presence");
  EXPECT_FLOAT_EQ(target.Get(13), 0.9f);
  target.Dispatch(effSetProgram, 0, 1);
  EXPECT_FLOAT_EQ(target.Get(3), 0.f) << "Clean Unity as it ships";
  target.Dispatch(effSetProgram, 0, 4);
  EXPECT_FLOAT_EQ(target.Get(13), 0.9f) << "Vocal Presence as the bank changed it";
}

// A careless host asks for the chunk on two threads at once: what each got
// stays as it got it until that thread asks again.
TEST(State, AChunkStaysValidUntilItsThreadAsksAgain) {
  LoadedPlugin plug;
  plug.Dispatch(effOpen);
  for (const VstInt32 isPreset : {1, 0}) {
    const auto* other = static_cast<const std::uint8_t*>(nullptr);
    std::vector<std::uint8_t> otherGot;
    plug.Set(0, 0.25f);
    std::thread([&] {
      otherGot = GetChunk(plug, isPreset != 0);
      void* data = nullptr;
      plug.Dispatch(effGetChunk, isPreset, 0, &data);
      other = static_cast<const std::uint8_t*>(data);
    }).join();
    plug.Set(0, 0.75f);
    EXPECT_NE(GetChunk(plug, isPreset != 0), otherGot);
    EXPECT_TRUE(std::equal(otherGot.begin(), otherGot.end(), other)) << isPreset;
  }
}

TEST(State, ChunksWithoutHeaderAreReadFromTheStart) {
  LoadedPlugin plug;
  plug.Dispatch(effOpen);
  std::vector<std::uint8_t> bare = MakeState(std::vector<std::string>(9, "x"), 1.);
  bare.erase(bare.begin(), bare.begin() + 8);
  EXPECT_EQ(SetChunk(plug, true, bare), 1);
  EXPECT_EQ(plug.Get(0), 1.f);
  // A bank chunk without the header is read as a program.
  plug.Set(0, 0.f);
  EXPECT_EQ(SetChunk(plug, false, bare), 1);
  EXPECT_EQ(plug.Get(0), 1.f);
}

TEST(State, RefusedChunksChangeNothing) {
  LoadedPlugin plug;
  plug.Dispatch(effOpen);
  plug.Set(0, 0.3f);
  const std::vector<float> before = AllParams(plug);
  const std::vector<std::uint8_t> saved = GetChunk(plug, true);
  std::vector<std::uint8_t> bytes = saved;
  EXPECT_EQ(plug.Dispatch(effSetChunk, 1, 10, nullptr), 0);
  EXPECT_EQ(plug.Dispatch(effSetChunk, 1, -5, bytes.data()), 0);
  EXPECT_EQ(plug.Dispatch(effSetChunk, 1, VstIntPtr{1} << 40, bytes.data()), 0);
  // The first name's length reaches past the end: nothing changes.
  std::vector<std::uint8_t> lying = saved;
  lying[8] = 0xFF;
  lying[9] = 0xFF;
  EXPECT_EQ(SetChunk(plug, true, lying), 0);
  EXPECT_EQ(AllParams(plug), before);
  EXPECT_EQ(GetChunk(plug, true), saved);
}

TEST(State, RandomAndDamagedChunksNeverCrash) {
  LoadedPlugin plug;
  plug.Dispatch(effOpen);
  const std::vector<std::uint8_t> program = GetChunk(plug, true);
  const std::vector<std::uint8_t> bank = GetChunk(plug, false);
  std::mt19937 random(2024);
  for (int round = 0; round < 30000; ++round) {
    std::vector<std::uint8_t> bytes = round % 2 ? program : bank;
    switch (round % 3) {
      case 0:
        bytes.resize(random() % (bytes.size() + 1));
        break;
      case 1:
        for (int k = 0; k < 1 + round % 5; ++k)
          bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
        break;
      default:
        bytes.resize(random() % 64);
        for (auto& b : bytes)
          b = static_cast<std::uint8_t>(random());
    }
    const VstIntPtr result = SetChunk(plug, round % 4 < 2, bytes);
    ASSERT_TRUE(result == 0 || result == 1);
  }
  // Whatever was restored, the plug-in still saves and processes.
  EXPECT_FALSE(GetChunk(plug, true).empty());
}

TEST(State, EventsAndArrangementsFromCarelessHosts) {
  LoadedPlugin plug;
  plug.Dispatch(effOpen);
  VstEvents events{};
  events.numEvents = -3;
  EXPECT_EQ(plug.Dispatch(effProcessEvents, 0, 0, &events), 1);
  VstMidiEvent note{};
  note.type = kVstMidiType;
  note.byteSize = sizeof note;
  note.midiData[0] = static_cast<char>(0x90);
  events.numEvents = 2;
  events.events[0] = reinterpret_cast<VstEvent*>(&note);
  events.events[1] = nullptr;
  EXPECT_EQ(plug.Dispatch(effProcessEvents, 0, 0, &events), 1);
  EXPECT_EQ(plug.Dispatch(effProcessEvents, 0, 0, nullptr), 0);
  // Hosts allocate the list longer than it is declared.
  struct {
    VstEvents list;
    VstEvent* more[2];
  } longer{};
  longer.list.numEvents = 4;
  VstEvent** entries = longer.list.events;
  for (int i = 0; i < 4; ++i)
    entries[i] = reinterpret_cast<VstEvent*>(&note);
  EXPECT_EQ(plug.Dispatch(effProcessEvents, 0, 0, &longer.list), 1);

  VstSpeakerArrangement arrangement{};
  arrangement.numChannels = -7;
  EXPECT_EQ(plug.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&arrangement),
                          &arrangement),
            1);
  arrangement.numChannels = 1000;
  EXPECT_EQ(plug.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&arrangement),
                          &arrangement),
            1);
  HostChannels<double> in(16, 32), out(16, 32);
  plug->processDoubleReplacing(plug.Effect(), in.Pointers(), out.Pointers(), 32);
}

TEST(State, ARestoreThatFailsChangesNothing) {
  LoadedPlugin source;
  source.Dispatch(effOpen);
  ASSERT_EQ(SetChunk(source, true, MakeState(std::vector<std::string>(9, "saved"), 0.)), 1);
  for (int i = 0; i < 94; ++i)
    source.Set(i, 0.9f);
  source.Dispatch(effSetProgramName, 0, 0, const_cast<char*>("Saved"));
  std::vector<std::uint8_t> program = GetChunk(source, true);
  std::vector<std::uint8_t> bank = GetChunk(source, false);
  program.resize(program.size() - 12);
  bank.resize(bank.size() - 12);

  LoadedPlugin plug;
  plug.Dispatch(effOpen);
  plug.Set(0, 0.3f);
  (void)GetChunk(plug, false);  // the preset takes the current state
  plug.Set(0, 0.6f);
  const std::vector<float> before = AllParams(plug);
  const std::vector<std::uint8_t> programBefore = GetChunk(plug, true);
  EXPECT_EQ(SetChunk(plug, true, program), 0);
  EXPECT_EQ(SetChunk(plug, false, bank), 0);
  EXPECT_EQ(AllParams(plug), before);
  EXPECT_EQ(GetChunk(plug, true), programBefore);
  EXPECT_EQ(plug.Text(effGetProgramName), "Console Defaults");
  plug.Dispatch(effSetProgram, 0, 0);  // the preset as it was saved
  EXPECT_FLOAT_EQ(plug.Get(0), 0.3f);
}

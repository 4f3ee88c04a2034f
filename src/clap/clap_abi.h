// The CLAP 1.x binary interface as x86-64 Linux hosts see it, limited to what
// QUOR and its test host use: the entry, the plug-in factory, descriptor,
// plug-in and host objects, processing, events, streams and the extensions
// QUOR offers or asks for. Plain C layouts (no virtual functions, natural
// alignment); every size and offset is pinned at the end of its section so
// that a layout slip cannot go unnoticed.
//
// Threads, as each call's comment names them:
//   main    the host's one main (user-interface) thread;
//   audio   the host's processing role (any OS thread, one call at a time);
//   any     every thread, also concurrently;
//   "active ? audio : main" and the like combine them with the instance's state.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

// ---------------------------------------------------------------------------
// Basics: ids, versions, fixed-point time.

using clap_id = std::uint32_t;
inline constexpr clap_id kClapInvalidId = 0xFFFFFFFFu;  // "no id"

struct clap_version_t {
  std::uint32_t major;     // 0.x were drafts: hosts and plug-ins refuse them
  std::uint32_t minor;     // informational
  std::uint32_t revision;  // informational
};
// The release these facts follow, declared in the entry and every descriptor.
inline constexpr clap_version_t kClapVersion{1, 2, 10};
constexpr bool ClapVersionIsCompatible(const clap_version_t& v) {
  return v.major >= 1;
}

// Beat and second positions: value x 2^31, as int64.
inline constexpr double kClapFixedPointFactor = 2147483648.;

// Fixed text fields, NUL-terminated UTF-8.
inline constexpr std::size_t kClapNameSize = 256;
inline constexpr std::size_t kClapPathSize = 1024;

static_assert(sizeof(clap_version_t) == 12 && alignof(clap_version_t) == 4);

// ---------------------------------------------------------------------------
// Entry: the one exported data symbol, `clap_entry`.

struct clap_plugin_entry_t {
  clap_version_t clap_version;
  // First call into the library, with the .clap file's absolute path; quick,
  // no windows. Any thread, never concurrently with init or deinit. May come
  // again before deinit: each true is paired with one deinit.
  bool (*init)(const char* plugin_path);
  // Undoes one init. Same threading as init.
  void (*deinit)(void);
  // The factory for an id, or null. Any thread, also concurrently.
  const void* (*get_factory)(const char* factory_id);
};

static_assert(sizeof(clap_plugin_entry_t) == 40 && alignof(clap_plugin_entry_t) == 8);
static_assert(offsetof(clap_plugin_entry_t, init) == 16);
static_assert(offsetof(clap_plugin_entry_t, deinit) == 24);
static_assert(offsetof(clap_plugin_entry_t, get_factory) == 32);

// ---------------------------------------------------------------------------
// Plug-in factory, id "clap.plugin-factory". Every call: any thread, fast.

inline constexpr char kClapPluginFactoryId[] = "clap.plugin-factory";

struct clap_host_t;
struct clap_plugin_t;
struct clap_plugin_descriptor_t;

struct clap_plugin_factory_t {
  std::uint32_t (*get_plugin_count)(const clap_plugin_factory_t* factory);
  // Null for an index out of range; valid until deinit.
  const clap_plugin_descriptor_t* (*get_plugin_descriptor)(const clap_plugin_factory_t* factory,
                                                           std::uint32_t index);
  // Null for an unknown id. The host object stays valid until the instance is
  // destroyed; the plug-in calls nothing of it before its init.
  const clap_plugin_t* (*create_plugin)(const clap_plugin_factory_t* factory,
                                        const clap_host_t* host, const char* plugin_id);
};

static_assert(sizeof(clap_plugin_factory_t) == 24);
static_assert(offsetof(clap_plugin_factory_t, get_plugin_descriptor) == 8);
static_assert(offsetof(clap_plugin_factory_t, create_plugin) == 16);

// ---------------------------------------------------------------------------
// Descriptor: what a host lists. Owned by the plug-in, valid until deinit.

struct clap_plugin_descriptor_t {
  clap_version_t clap_version;
  const char* id;           // mandatory, reverse-DNS, never changed (projects keep it)
  const char* name;         // mandatory
  const char* vendor;       // optional: may be null, empty is safer
  const char* url;          // optional
  const char* manual_url;   // optional
  const char* support_url;  // optional
  const char* version;      // "MAJOR.MINOR.REVISION"
  const char* description;  // optional
  // Null-terminated list of keywords; never null itself (hosts walk it unchecked).
  const char* const* features;
};

inline constexpr char kClapFeatureAudioEffect[] = "audio-effect";
inline constexpr char kClapFeatureMixing[] = "mixing";
inline constexpr char kClapFeatureStereo[] = "stereo";
inline constexpr char kClapFeatureSurround[] = "surround";

static_assert(sizeof(clap_plugin_descriptor_t) == 88);
static_assert(offsetof(clap_plugin_descriptor_t, id) == 16);
static_assert(offsetof(clap_plugin_descriptor_t, name) == 24);
static_assert(offsetof(clap_plugin_descriptor_t, vendor) == 32);
static_assert(offsetof(clap_plugin_descriptor_t, url) == 40);
static_assert(offsetof(clap_plugin_descriptor_t, manual_url) == 48);
static_assert(offsetof(clap_plugin_descriptor_t, support_url) == 56);
static_assert(offsetof(clap_plugin_descriptor_t, version) == 64);
static_assert(offsetof(clap_plugin_descriptor_t, description) == 72);
static_assert(offsetof(clap_plugin_descriptor_t, features) == 80);

// ---------------------------------------------------------------------------
// Events: flat blobs behind a common header; copying `size` bytes copies one.

struct clap_event_header_t {
  std::uint32_t size;      // bytes of the whole event, header included
  std::uint32_t time;      // sample offset within the block
  std::uint16_t space_id;  // kClapCoreEventSpace, or another namespace to ignore
  std::uint16_t type;      // ClapEventType within the core space
  std::uint32_t flags;     // kClapEventIsLive, kClapEventDontRecord
};

inline constexpr std::uint16_t kClapCoreEventSpace = 0;
inline constexpr std::uint32_t kClapEventIsLive = 1;      // a user's live input
inline constexpr std::uint32_t kClapEventDontRecord = 2;  // e.g. a change from a MIDI CC

enum ClapEventType : std::uint16_t {
  kClapEventNoteOn = 0,
  kClapEventNoteOff = 1,
  kClapEventNoteChoke = 2,
  kClapEventNoteEnd = 3,  // plug-in to host only
  kClapEventNoteExpression = 4,
  kClapEventParamValue = 5,
  kClapEventParamMod = 6,
  kClapEventParamGestureBegin = 7,
  kClapEventParamGestureEnd = 8,
  kClapEventTransport = 9,
  kClapEventMidi = 10,
  kClapEventMidiSysex = 11,
  kClapEventMidi2 = 12,
};

// Note on, off, choke and end. Address fields: >= 0 a value, -1 a wildcard.
struct clap_event_note_t {
  clap_event_header_t header;
  std::int32_t note_id;     // -1 from hosts without note ids
  std::int16_t port_index;  // note port
  std::int16_t channel;     // 0..15
  std::int16_t key;         // 0..127, 60 = middle C
  double velocity;          // 0..1
};

struct clap_event_note_expression_t {
  clap_event_header_t header;
  std::int32_t expression_id;  // 0 volume .. 6 pressure
  std::int32_t note_id;
  std::int16_t port_index;
  std::int16_t channel;
  std::int16_t key;
  double value;  // in the expression's own units
};

// A parameter's plain value, in its own units, from the host or to it.
struct clap_event_param_value_t {
  clap_event_header_t header;
  clap_id param_id;
  void* cookie;  // the info's cookie echoed, or null
  // Per-note address; hosts fill them for plain parameters too (note 0,
  // port 0): read only for parameters that declared per-note automation.
  std::int32_t note_id;
  std::int16_t port_index;
  std::int16_t channel;
  std::int16_t key;
  double value;
};

struct clap_event_param_mod_t {
  clap_event_header_t header;
  clap_id param_id;
  void* cookie;
  std::int32_t note_id;
  std::int16_t port_index;
  std::int16_t channel;
  std::int16_t key;
  double amount;  // added to the value, in its units
};

// Begin or end of a user's gesture on a parameter.
struct clap_event_param_gesture_t {
  clap_event_header_t header;
  clap_id param_id;
};

// The transport, at the block's start (as `clap_process_t::transport`) or
// from `time` on (as an event). A field counts only where its flag is set.
struct clap_event_transport_t {
  clap_event_header_t header;
  std::uint32_t flags;              // ClapTransportFlags
  std::int64_t song_pos_beats;      // fixed point
  std::int64_t song_pos_seconds;    // fixed point
  double tempo;                     // beats per minute
  double tempo_inc;                 // per-sample change until the next transport event
  std::int64_t loop_start_beats;    // fixed point
  std::int64_t loop_end_beats;      // fixed point
  std::int64_t loop_start_seconds;  // fixed point
  std::int64_t loop_end_seconds;    // fixed point
  std::int64_t bar_start;           // fixed-point beats
  std::int32_t bar_number;          // bar 0 at song position 0
  std::uint16_t tsig_num;
  std::uint16_t tsig_denom;
};

enum ClapTransportFlags : std::uint32_t {
  kClapTransportHasTempo = 1,
  kClapTransportHasBeatsTimeline = 2,
  kClapTransportHasSecondsTimeline = 4,
  kClapTransportHasTimeSignature = 8,
  kClapTransportIsPlaying = 16,
  kClapTransportIsRecording = 32,
  kClapTransportIsLoopActive = 64,
  kClapTransportIsWithinPreRoll = 128,
};

// One MIDI 1.0 message of up to three bytes.
struct clap_event_midi_t {
  clap_event_header_t header;
  std::uint16_t port_index;  // note port
  std::uint8_t data[3];
};

// A system-exclusive message; `buffer` lives only for the delivering call.
struct clap_event_midi_sysex_t {
  clap_event_header_t header;
  std::uint16_t port_index;
  const std::uint8_t* buffer;
  std::uint32_t size;  // bytes at buffer
};

struct clap_event_midi2_t {
  clap_event_header_t header;
  std::uint16_t port_index;
  std::uint32_t data[4];  // one universal MIDI packet
};

// Events to the plug-in, sorted by time; each belongs to the list.
struct clap_input_events_t {
  void* ctx;  // the host's
  std::uint32_t (*size)(const clap_input_events_t* list);
  const clap_event_header_t* (*get)(const clap_input_events_t* list, std::uint32_t index);
};

// Events from the plug-in, pushed in time order; the host copies each one.
struct clap_output_events_t {
  void* ctx;  // the host's
  // False: the host could not keep it.
  bool (*try_push)(const clap_output_events_t* list, const clap_event_header_t* event);
};

static_assert(sizeof(clap_event_header_t) == 16 && alignof(clap_event_header_t) == 4);
static_assert(offsetof(clap_event_header_t, time) == 4);
static_assert(offsetof(clap_event_header_t, space_id) == 8);
static_assert(offsetof(clap_event_header_t, type) == 10);
static_assert(offsetof(clap_event_header_t, flags) == 12);
static_assert(sizeof(clap_event_note_t) == 40 && alignof(clap_event_note_t) == 8);
static_assert(offsetof(clap_event_note_t, note_id) == 16);
static_assert(offsetof(clap_event_note_t, port_index) == 20);
static_assert(offsetof(clap_event_note_t, channel) == 22);
static_assert(offsetof(clap_event_note_t, key) == 24);
static_assert(offsetof(clap_event_note_t, velocity) == 32);
static_assert(sizeof(clap_event_note_expression_t) == 40);
static_assert(offsetof(clap_event_note_expression_t, expression_id) == 16);
static_assert(offsetof(clap_event_note_expression_t, note_id) == 20);
static_assert(offsetof(clap_event_note_expression_t, port_index) == 24);
static_assert(offsetof(clap_event_note_expression_t, channel) == 26);
static_assert(offsetof(clap_event_note_expression_t, key) == 28);
static_assert(offsetof(clap_event_note_expression_t, value) == 32);
static_assert(sizeof(clap_event_param_value_t) == 56 && alignof(clap_event_param_value_t) == 8);
static_assert(offsetof(clap_event_param_value_t, param_id) == 16);
static_assert(offsetof(clap_event_param_value_t, cookie) == 24);
static_assert(offsetof(clap_event_param_value_t, note_id) == 32);
static_assert(offsetof(clap_event_param_value_t, port_index) == 36);
static_assert(offsetof(clap_event_param_value_t, channel) == 38);
static_assert(offsetof(clap_event_param_value_t, key) == 40);
static_assert(offsetof(clap_event_param_value_t, value) == 48);
static_assert(sizeof(clap_event_param_mod_t) == 56);
static_assert(offsetof(clap_event_param_mod_t, amount) == 48);
static_assert(sizeof(clap_event_param_gesture_t) == 20 && alignof(clap_event_param_gesture_t) == 4);
static_assert(offsetof(clap_event_param_gesture_t, param_id) == 16);
static_assert(sizeof(clap_event_transport_t) == 104 && alignof(clap_event_transport_t) == 8);
static_assert(offsetof(clap_event_transport_t, flags) == 16);
static_assert(offsetof(clap_event_transport_t, song_pos_beats) == 24);
static_assert(offsetof(clap_event_transport_t, song_pos_seconds) == 32);
static_assert(offsetof(clap_event_transport_t, tempo) == 40);
static_assert(offsetof(clap_event_transport_t, tempo_inc) == 48);
static_assert(offsetof(clap_event_transport_t, loop_start_beats) == 56);
static_assert(offsetof(clap_event_transport_t, loop_end_beats) == 64);
static_assert(offsetof(clap_event_transport_t, loop_start_seconds) == 72);
static_assert(offsetof(clap_event_transport_t, loop_end_seconds) == 80);
static_assert(offsetof(clap_event_transport_t, bar_start) == 88);
static_assert(offsetof(clap_event_transport_t, bar_number) == 96);
static_assert(offsetof(clap_event_transport_t, tsig_num) == 100);
static_assert(offsetof(clap_event_transport_t, tsig_denom) == 102);
static_assert(sizeof(clap_event_midi_t) == 24 && alignof(clap_event_midi_t) == 4);
static_assert(offsetof(clap_event_midi_t, port_index) == 16);
static_assert(offsetof(clap_event_midi_t, data) == 18);
static_assert(sizeof(clap_event_midi_sysex_t) == 40);
static_assert(offsetof(clap_event_midi_sysex_t, port_index) == 16);
static_assert(offsetof(clap_event_midi_sysex_t, buffer) == 24);
static_assert(offsetof(clap_event_midi_sysex_t, size) == 32);
static_assert(sizeof(clap_event_midi2_t) == 36 && alignof(clap_event_midi2_t) == 4);
static_assert(offsetof(clap_event_midi2_t, port_index) == 16);
static_assert(offsetof(clap_event_midi2_t, data) == 20);
static_assert(sizeof(clap_input_events_t) == 24);
static_assert(offsetof(clap_input_events_t, size) == 8);
static_assert(offsetof(clap_input_events_t, get) == 16);
static_assert(sizeof(clap_output_events_t) == 16);
static_assert(offsetof(clap_output_events_t, try_push) == 8);

// ---------------------------------------------------------------------------
// Processing: one call's audio, transport and events; every pointer is valid
// for that call only.

struct clap_audio_buffer_t {
  // Exactly one of the two is set: a pointer per channel to frames_count
  // samples. 64-bit only for ports that declared it.
  float** data32;
  double** data64;
  std::uint32_t channel_count;
  std::uint32_t latency;        // to or from the audio interface, samples (information)
  std::uint64_t constant_mask;  // bit i: channel i holds one value throughout (a hint)
};

struct clap_process_t {
  std::int64_t steady_time;                 // sample counter, or -1; may go back after reset
  std::uint32_t frames_count;               // within the activation's [min, max]
  const clap_event_transport_t* transport;  // null for a free-running host; check its flags
  // Entry i belongs to audio port i. Hosts may pass fewer than declared:
  // the others count as silent inputs and discarded outputs.
  const clap_audio_buffer_t* audio_inputs;  // read-only
  clap_audio_buffer_t* audio_outputs;       // may share memory with in-place pairs
  std::uint32_t audio_inputs_count;
  std::uint32_t audio_outputs_count;
  const clap_input_events_t* in_events;
  const clap_output_events_t* out_events;
};

enum ClapProcessStatus : std::int32_t {
  kClapProcessError = 0,  // the output is discarded
  kClapProcessContinue = 1,
  kClapProcessContinueIfNotQuiet = 2,
  kClapProcessTail = 3,
  kClapProcessSleep = 4,
};

static_assert(sizeof(clap_audio_buffer_t) == 32);
static_assert(offsetof(clap_audio_buffer_t, data64) == 8);
static_assert(offsetof(clap_audio_buffer_t, channel_count) == 16);
static_assert(offsetof(clap_audio_buffer_t, latency) == 20);
static_assert(offsetof(clap_audio_buffer_t, constant_mask) == 24);
static_assert(sizeof(clap_process_t) == 64);
static_assert(offsetof(clap_process_t, frames_count) == 8);
static_assert(offsetof(clap_process_t, transport) == 16);
static_assert(offsetof(clap_process_t, audio_inputs) == 24);
static_assert(offsetof(clap_process_t, audio_outputs) == 32);
static_assert(offsetof(clap_process_t, audio_inputs_count) == 40);
static_assert(offsetof(clap_process_t, audio_outputs_count) == 44);
static_assert(offsetof(clap_process_t, in_events) == 48);
static_assert(offsetof(clap_process_t, out_events) == 56);

// ---------------------------------------------------------------------------
// Plug-in object: owned by the plug-in, released only through destroy.
// Life: create -> init -> inactive <-> active (activate/deactivate)
//       <-> processing (start_processing/stop_processing) -> destroy.

struct clap_plugin_t {
  const clap_plugin_descriptor_t* desc;
  void* plugin_data;  // the plug-in's own
  // main. The first point where the host may be called; false: destroyed.
  bool (*init)(const clap_plugin_t* plugin);
  // main, inactive.
  void (*destroy)(const clap_plugin_t* plugin);
  // main, inactive. Fixes the rate and the frames of every later call, in
  // [min_frames, max_frames] within [1, INT32_MAX]; allocate here.
  bool (*activate)(const clap_plugin_t* plugin, double sample_rate, std::uint32_t min_frames,
                   std::uint32_t max_frames);
  // main, active. Hosts may skip stop_processing before it.
  void (*deactivate)(const clap_plugin_t* plugin);
  // audio, active and not processing.
  bool (*start_processing)(const clap_plugin_t* plugin);
  // audio, processing. Some hosts never call it.
  void (*stop_processing)(const clap_plugin_t* plugin);
  // audio, active: clear what sounds on, keep the parameters.
  void (*reset)(const clap_plugin_t* plugin);
  // audio, active and processing. Returns a ClapProcessStatus.
  std::int32_t (*process)(const clap_plugin_t* plugin, const clap_process_t* process);
  // any, from init on; null for an unknown id. Valid until destroy.
  const void* (*get_extension)(const clap_plugin_t* plugin, const char* id);
  // main: the answer to the host's request_callback (some hosts never give it).
  void (*on_main_thread)(const clap_plugin_t* plugin);
};

static_assert(sizeof(clap_plugin_t) == 96);
static_assert(offsetof(clap_plugin_t, plugin_data) == 8);
static_assert(offsetof(clap_plugin_t, init) == 16);
static_assert(offsetof(clap_plugin_t, destroy) == 24);
static_assert(offsetof(clap_plugin_t, activate) == 32);
static_assert(offsetof(clap_plugin_t, deactivate) == 40);
static_assert(offsetof(clap_plugin_t, start_processing) == 48);
static_assert(offsetof(clap_plugin_t, stop_processing) == 56);
static_assert(offsetof(clap_plugin_t, reset) == 64);
static_assert(offsetof(clap_plugin_t, process) == 72);
static_assert(offsetof(clap_plugin_t, get_extension) == 80);
static_assert(offsetof(clap_plugin_t, on_main_thread) == 88);

// ---------------------------------------------------------------------------
// Host object: owned by the host, valid until the instance is destroyed.

struct clap_host_t {
  clap_version_t clap_version;
  void* host_data;      // the host's own
  const char* name;     // mandatory
  const char* vendor;   // optional
  const char* url;      // optional
  const char* version;  // mandatory
  // any, from the plug-in's init on; null for an unknown id.
  const void* (*get_extension)(const clap_host_t* host, const char* extension_id);
  // any: deactivate and activate me again, possibly later.
  void (*request_restart)(const clap_host_t* host);
  // any: activate me and start processing (a wake-up from sleep).
  void (*request_process)(const clap_host_t* host);
  // any: call my on_main_thread soon (no guarantee).
  void (*request_callback)(const clap_host_t* host);
};

static_assert(sizeof(clap_host_t) == 88);
static_assert(offsetof(clap_host_t, host_data) == 16);
static_assert(offsetof(clap_host_t, name) == 24);
static_assert(offsetof(clap_host_t, vendor) == 32);
static_assert(offsetof(clap_host_t, url) == 40);
static_assert(offsetof(clap_host_t, version) == 48);
static_assert(offsetof(clap_host_t, get_extension) == 56);
static_assert(offsetof(clap_host_t, request_restart) == 64);
static_assert(offsetof(clap_host_t, request_process) == 72);
static_assert(offsetof(clap_host_t, request_callback) == 80);

// ---------------------------------------------------------------------------
// Streams for the state: either side may move fewer bytes than asked.

struct clap_istream_t {
  void* ctx;  // the host's
  // Bytes delivered (> 0), 0 at the end of the data, -1 on error.
  std::int64_t (*read)(const clap_istream_t* stream, void* buffer, std::uint64_t size);
};

struct clap_ostream_t {
  void* ctx;  // the host's
  // Bytes accepted (0 counts as a failure too), -1 on error.
  std::int64_t (*write)(const clap_ostream_t* stream, const void* buffer, std::uint64_t size);
};

static_assert(sizeof(clap_istream_t) == 16 && offsetof(clap_istream_t, read) == 8);
static_assert(sizeof(clap_ostream_t) == 16 && offsetof(clap_ostream_t, write) == 8);

// ---------------------------------------------------------------------------
// Audio ports, "clap.audio-ports": without it a plug-in has no audio at all.

inline constexpr char kClapExtAudioPorts[] = "clap.audio-ports";
inline constexpr char kClapPortMono[] = "mono";
inline constexpr char kClapPortStereo[] = "stereo";

enum ClapAudioPortFlags : std::uint32_t {
  kClapAudioPortIsMain = 1,  // at most one each way, at index 0
  kClapAudioPortSupports64Bits = 2,
  kClapAudioPortPrefers64Bits = 4,
  kClapAudioPortRequiresCommonSampleSize = 8,
};

struct clap_audio_port_info_t {
  clap_id id;                // stable; input and output ids may overlap
  char name[kClapNameSize];  // for the host's display
  std::uint32_t flags;       // ClapAudioPortFlags
  std::uint32_t channel_count;
  const char* port_type;  // kClapPortMono, kClapPortStereo, or null: not stated
  clap_id in_place_pair;  // the port on the other side that may share memory, or invalid
};

// Plug-in side; main, read while inactive.
struct clap_plugin_audio_ports_t {
  std::uint32_t (*count)(const clap_plugin_t* plugin, bool is_input);
  bool (*get)(const clap_plugin_t* plugin, std::uint32_t index, bool is_input,
              clap_audio_port_info_t* info);
};

enum ClapAudioPortsRescanFlags : std::uint32_t {
  kClapAudioPortsRescanNames = 1,  // the only one allowed while active
  kClapAudioPortsRescanFlags = 2,
  kClapAudioPortsRescanChannelCount = 4,
  kClapAudioPortsRescanPortType = 8,
  kClapAudioPortsRescanInPlacePair = 16,
  kClapAudioPortsRescanList = 32,
};

// Host side; main.
struct clap_host_audio_ports_t {
  bool (*is_rescan_flag_supported)(const clap_host_t* host, std::uint32_t flag);
  void (*rescan)(const clap_host_t* host, std::uint32_t flags);
};

static_assert(sizeof(clap_audio_port_info_t) == 288);
static_assert(offsetof(clap_audio_port_info_t, name) == 4);
static_assert(offsetof(clap_audio_port_info_t, flags) == 260);
static_assert(offsetof(clap_audio_port_info_t, channel_count) == 264);
static_assert(offsetof(clap_audio_port_info_t, port_type) == 272);
static_assert(offsetof(clap_audio_port_info_t, in_place_pair) == 280);
static_assert(sizeof(clap_plugin_audio_ports_t) == 16 &&
              offsetof(clap_plugin_audio_ports_t, get) == 8);
static_assert(sizeof(clap_host_audio_ports_t) == 16 &&
              offsetof(clap_host_audio_ports_t, rescan) == 8);

// ---------------------------------------------------------------------------
// Audio-port configurations, "clap.audio-ports-config": named layouts a host
// may choose among while the plug-in is inactive.

inline constexpr char kClapExtAudioPortsConfig[] = "clap.audio-ports-config";
inline constexpr char kClapExtAudioPortsConfigInfo[] = "clap.audio-ports-config-info/1";
inline constexpr char kClapExtAudioPortsConfigInfoCompat[] = "clap.audio-ports-config-info/draft-0";

struct clap_audio_ports_config_t {
  clap_id id;
  char name[kClapNameSize];
  std::uint32_t input_port_count;
  std::uint32_t output_port_count;
  bool has_main_input;
  std::uint32_t main_input_channel_count;
  const char* main_input_port_type;
  bool has_main_output;
  std::uint32_t main_output_channel_count;
  const char* main_output_port_type;
};

struct clap_plugin_audio_ports_config_t {
  std::uint32_t (*count)(const clap_plugin_t* plugin);  // main
  bool (*get)(const clap_plugin_t* plugin, std::uint32_t index,
              clap_audio_ports_config_t* config);  // main
  // main, inactive; the host reads the audio ports again after true.
  bool (*select)(const clap_plugin_t* plugin, clap_id config_id);
};

// The ports of any configuration, not only the selected one; main.
struct clap_plugin_audio_ports_config_info_t {
  clap_id (*current_config)(const clap_plugin_t* plugin);  // or invalid
  bool (*get)(const clap_plugin_t* plugin, clap_id config_id, std::uint32_t port_index,
              bool is_input, clap_audio_port_info_t* info);
};

struct clap_host_audio_ports_config_t {
  void (*rescan)(const clap_host_t* host);  // main
};

static_assert(sizeof(clap_audio_ports_config_t) == 304);
static_assert(offsetof(clap_audio_ports_config_t, name) == 4);
static_assert(offsetof(clap_audio_ports_config_t, input_port_count) == 260);
static_assert(offsetof(clap_audio_ports_config_t, output_port_count) == 264);
static_assert(offsetof(clap_audio_ports_config_t, has_main_input) == 268);
static_assert(offsetof(clap_audio_ports_config_t, main_input_channel_count) == 272);
static_assert(offsetof(clap_audio_ports_config_t, main_input_port_type) == 280);
static_assert(offsetof(clap_audio_ports_config_t, has_main_output) == 288);
static_assert(offsetof(clap_audio_ports_config_t, main_output_channel_count) == 292);
static_assert(offsetof(clap_audio_ports_config_t, main_output_port_type) == 296);
static_assert(sizeof(clap_plugin_audio_ports_config_t) == 24);
static_assert(offsetof(clap_plugin_audio_ports_config_t, get) == 8);
static_assert(offsetof(clap_plugin_audio_ports_config_t, select) == 16);
static_assert(sizeof(clap_plugin_audio_ports_config_info_t) == 16);
static_assert(offsetof(clap_plugin_audio_ports_config_info_t, get) == 8);
static_assert(sizeof(clap_host_audio_ports_config_t) == 8);

// ---------------------------------------------------------------------------
// Parameters, "clap.params": plain values in each parameter's own units.

inline constexpr char kClapExtParams[] = "clap.params";

enum ClapParamInfoFlags : std::uint32_t {
  kClapParamIsStepped = 1u << 0,  // whole values; the host truncates toward zero
  kClapParamIsPeriodic = 1u << 1,
  kClapParamIsHidden = 1u << 2,
  kClapParamIsReadonly = 1u << 3,
  kClapParamIsBypass = 1u << 4,  // stepped 0..1, 1 = bypassed; one per plug-in
  kClapParamIsAutomatable = 1u << 5,
  kClapParamIsAutomatablePerNoteId = 1u << 6,
  kClapParamIsAutomatablePerKey = 1u << 7,
  kClapParamIsAutomatablePerChannel = 1u << 8,
  kClapParamIsAutomatablePerPort = 1u << 9,
  kClapParamIsModulatable = 1u << 10,
  kClapParamIsModulatablePerNoteId = 1u << 11,
  kClapParamIsModulatablePerKey = 1u << 12,
  kClapParamIsModulatablePerChannel = 1u << 13,
  kClapParamIsModulatablePerPort = 1u << 14,
  kClapParamRequiresProcess = 1u << 15,
  kClapParamIsEnum = 1u << 16,  // stepped, every value has a text
};

struct clap_param_info_t {
  clap_id id;                  // stable for ever
  std::uint32_t flags;         // ClapParamInfoFlags
  void* cookie;                // echoed in the host's events, or null there
  char name[kClapNameSize];    // without the module
  char module[kClapPathSize];  // group path, levels split by '/'
  double min_value;            // finite
  double max_value;            // finite
  double default_value;        // within [min, max]
};

struct clap_plugin_params_t {
  std::uint32_t (*count)(const clap_plugin_t* plugin);  // main
  bool (*get_info)(const clap_plugin_t* plugin, std::uint32_t param_index,
                   clap_param_info_t* info);                                        // main
  bool (*get_value)(const clap_plugin_t* plugin, clap_id param_id, double* value);  // main
  // main; writes NUL-terminated UTF-8 into capacity bytes.
  bool (*value_to_text)(const clap_plugin_t* plugin, clap_id param_id, double value, char* text,
                        std::uint32_t capacity);
  bool (*text_to_value)(const clap_plugin_t* plugin, clap_id param_id, const char* text,
                        double* value);  // main
  // active ? audio : main; never beside process. Takes the host's changes,
  // hands over the plug-in's.
  void (*flush)(const clap_plugin_t* plugin, const clap_input_events_t* in,
                const clap_output_events_t* out);
};

enum ClapParamRescanFlags : std::uint32_t {
  kClapParamRescanValues = 1,  // re-read, not recorded as automation
  kClapParamRescanText = 2,
  kClapParamRescanInfo = 4,
  kClapParamRescanAll = 8,  // inactive only
};

enum ClapParamClearFlags : std::uint32_t {
  kClapParamClearAll = 1,
  kClapParamClearAutomations = 2,
  kClapParamClearModulations = 4,
};

struct clap_host_params_t {
  void (*rescan)(const clap_host_t* host, std::uint32_t flags);                   // main
  void (*clear)(const clap_host_t* host, clap_id param_id, std::uint32_t flags);  // main
  // any but audio: please call the plug-in's flush (or process) soon.
  void (*request_flush)(const clap_host_t* host);
};

static_assert(sizeof(clap_param_info_t) == 1320);
static_assert(offsetof(clap_param_info_t, flags) == 4);
static_assert(offsetof(clap_param_info_t, cookie) == 8);
static_assert(offsetof(clap_param_info_t, name) == 16);
static_assert(offsetof(clap_param_info_t, module) == 272);
static_assert(offsetof(clap_param_info_t, min_value) == 1296);
static_assert(offsetof(clap_param_info_t, max_value) == 1304);
static_assert(offsetof(clap_param_info_t, default_value) == 1312);
static_assert(sizeof(clap_plugin_params_t) == 48);
static_assert(offsetof(clap_plugin_params_t, get_info) == 8);
static_assert(offsetof(clap_plugin_params_t, get_value) == 16);
static_assert(offsetof(clap_plugin_params_t, value_to_text) == 24);
static_assert(offsetof(clap_plugin_params_t, text_to_value) == 32);
static_assert(offsetof(clap_plugin_params_t, flush) == 40);
static_assert(sizeof(clap_host_params_t) == 24);
static_assert(offsetof(clap_host_params_t, clear) == 8);
static_assert(offsetof(clap_host_params_t, request_flush) == 16);

// ---------------------------------------------------------------------------
// State, "clap.state": the whole state through the host's streams, opaque to
// it. May be called while active, beside process.

inline constexpr char kClapExtState[] = "clap.state";
inline constexpr char kClapExtStateContext[] = "clap.state-context/2";

struct clap_plugin_state_t {
  bool (*save)(const clap_plugin_t* plugin, const clap_ostream_t* stream);  // main
  bool (*load)(const clap_plugin_t* plugin, const clap_istream_t* stream);  // main
};

enum ClapStateContext : std::uint32_t {
  kClapStateContextForPreset = 1,
  kClapStateContextForDuplicate = 2,
  kClapStateContextForProject = 3,
};

// The same with what the state is for; hosts may mix both tables.
struct clap_plugin_state_context_t {
  bool (*save)(const clap_plugin_t* plugin, const clap_ostream_t* stream,
               std::uint32_t context);  // main
  bool (*load)(const clap_plugin_t* plugin, const clap_istream_t* stream,
               std::uint32_t context);  // main
};

struct clap_host_state_t {
  // main: state beyond the parameters changed.
  void (*mark_dirty)(const clap_host_t* host);
};

static_assert(sizeof(clap_plugin_state_t) == 16 && offsetof(clap_plugin_state_t, load) == 8);
static_assert(sizeof(clap_plugin_state_context_t) == 16);
static_assert(offsetof(clap_plugin_state_context_t, load) == 8);
static_assert(sizeof(clap_host_state_t) == 8);

// ---------------------------------------------------------------------------
// Editor, "clap.gui". On X11 every size is in physical pixels.

inline constexpr char kClapExtGui[] = "clap.gui";
inline constexpr char kClapWindowApiX11[] = "x11";
inline constexpr char kClapWindowApiWayland[] = "wayland";

struct clap_window_t {
  const char* api;  // kClapWindowApiX11, ...
  union {
    unsigned long x11;  // the window id
    void* cocoa;
    void* uikit;
    void* win32;
    void* ptr;
  };
};

struct clap_gui_resize_hints_t {
  bool can_resize_horizontally;
  bool can_resize_vertically;
  bool preserve_aspect_ratio;
  std::uint32_t aspect_ratio_width;
  std::uint32_t aspect_ratio_height;
};

// Every entry main. "embedded" entries only for an editor in the host's
// window, "floating" ones only for a window of its own.
struct clap_plugin_gui_t {
  bool (*is_api_supported)(const clap_plugin_t* plugin, const char* api, bool is_floating);
  // Points *api at one of the api constants.
  bool (*get_preferred_api)(const clap_plugin_t* plugin, const char** api, bool* is_floating);
  bool (*create)(const clap_plugin_t* plugin, const char* api, bool is_floating);
  void (*destroy)(const clap_plugin_t* plugin);
  // The host's absolute scale (1 = 100 %); false: not applied.
  bool (*set_scale)(const clap_plugin_t* plugin, double scale);
  // After create, also before set_parent.
  bool (*get_size)(const clap_plugin_t* plugin, std::uint32_t* width, std::uint32_t* height);
  bool (*can_resize)(const clap_plugin_t* plugin);  // embedded
  bool (*get_resize_hints)(const clap_plugin_t* plugin,
                           clap_gui_resize_hints_t* hints);  // embedded
  // Rounds a proposed size to the nearest usable one without resizing; embedded.
  bool (*adjust_size)(const clap_plugin_t* plugin, std::uint32_t* width, std::uint32_t* height);
  bool (*set_size)(const clap_plugin_t* plugin, std::uint32_t width,
                   std::uint32_t height);                                           // embedded
  bool (*set_parent)(const clap_plugin_t* plugin, const clap_window_t* window);     // embedded
  bool (*set_transient)(const clap_plugin_t* plugin, const clap_window_t* window);  // floating
  void (*suggest_title)(const clap_plugin_t* plugin, const char* title);            // floating
  bool (*show)(const clap_plugin_t* plugin);
  bool (*hide)(const clap_plugin_t* plugin);  // keeps the resources, stops painting
};

// Every entry any thread.
struct clap_host_gui_t {
  void (*resize_hints_changed)(const clap_host_t* host);  // embedded
  // embedded; true: the host took the size and need not call set_size. Hosts
  // may call back into the editor before returning: hold no lock across it.
  bool (*request_resize)(const clap_host_t* host, std::uint32_t width, std::uint32_t height);
  bool (*request_show)(const clap_host_t* host);
  bool (*request_hide)(const clap_host_t* host);
  // A floating window closed by the user; was_destroyed: the host calls destroy.
  void (*closed)(const clap_host_t* host, bool was_destroyed);
};

static_assert(sizeof(clap_window_t) == 16 && offsetof(clap_window_t, x11) == 8);
static_assert(sizeof(clap_gui_resize_hints_t) == 12 && alignof(clap_gui_resize_hints_t) == 4);
static_assert(offsetof(clap_gui_resize_hints_t, can_resize_vertically) == 1);
static_assert(offsetof(clap_gui_resize_hints_t, preserve_aspect_ratio) == 2);
static_assert(offsetof(clap_gui_resize_hints_t, aspect_ratio_width) == 4);
static_assert(offsetof(clap_gui_resize_hints_t, aspect_ratio_height) == 8);
static_assert(sizeof(clap_plugin_gui_t) == 120);
static_assert(offsetof(clap_plugin_gui_t, get_preferred_api) == 8);
static_assert(offsetof(clap_plugin_gui_t, create) == 16);
static_assert(offsetof(clap_plugin_gui_t, destroy) == 24);
static_assert(offsetof(clap_plugin_gui_t, set_scale) == 32);
static_assert(offsetof(clap_plugin_gui_t, get_size) == 40);
static_assert(offsetof(clap_plugin_gui_t, can_resize) == 48);
static_assert(offsetof(clap_plugin_gui_t, get_resize_hints) == 56);
static_assert(offsetof(clap_plugin_gui_t, adjust_size) == 64);
static_assert(offsetof(clap_plugin_gui_t, set_size) == 72);
static_assert(offsetof(clap_plugin_gui_t, set_parent) == 80);
static_assert(offsetof(clap_plugin_gui_t, set_transient) == 88);
static_assert(offsetof(clap_plugin_gui_t, suggest_title) == 96);
static_assert(offsetof(clap_plugin_gui_t, show) == 104);
static_assert(offsetof(clap_plugin_gui_t, hide) == 112);
static_assert(sizeof(clap_host_gui_t) == 40);
static_assert(offsetof(clap_host_gui_t, request_resize) == 8);
static_assert(offsetof(clap_host_gui_t, request_show) == 16);
static_assert(offsetof(clap_host_gui_t, request_hide) == 24);
static_assert(offsetof(clap_host_gui_t, closed) == 32);

// ---------------------------------------------------------------------------
// Latency, "clap.latency": fixed while active.

inline constexpr char kClapExtLatency[] = "clap.latency";

struct clap_plugin_latency_t {
  std::uint32_t (*get)(const clap_plugin_t* plugin);  // main, active or being activated; samples
};

struct clap_host_latency_t {
  void (*changed)(const clap_host_t* host);  // main, inside activate only
};

static_assert(sizeof(clap_plugin_latency_t) == 8 && sizeof(clap_host_latency_t) == 8);

// ---------------------------------------------------------------------------
// Tail, "clap.tail": how long the output goes on after silence in.

inline constexpr char kClapExtTail[] = "clap.tail";

struct clap_plugin_tail_t {
  std::uint32_t (*get)(
      const clap_plugin_t* plugin);  // main or audio; samples, >= INT32_MAX endless
};

struct clap_host_tail_t {
  void (*changed)(const clap_host_t* host);  // audio
};

static_assert(sizeof(clap_plugin_tail_t) == 8 && sizeof(clap_host_tail_t) == 8);

// ---------------------------------------------------------------------------
// Render mode, "clap.render": real time or offline.

inline constexpr char kClapExtRender[] = "clap.render";

enum ClapRenderMode : std::int32_t {
  kClapRenderRealtime = 0,  // the default
  kClapRenderOffline = 1,   // no real-time pressure
};

struct clap_plugin_render_t {
  bool (*has_hard_realtime_requirement)(const clap_plugin_t* plugin);  // main
  bool (*set)(const clap_plugin_t* plugin, std::int32_t mode);         // main
};

static_assert(sizeof(clap_plugin_render_t) == 16 && offsetof(clap_plugin_render_t, set) == 8);

// ---------------------------------------------------------------------------
// Timers, "clap.timer-support": periodic calls on the main thread. Ids are
// the host's; 0 is a valid one.

inline constexpr char kClapExtTimerSupport[] = "clap.timer-support";

struct clap_plugin_timer_support_t {
  void (*on_timer)(const clap_plugin_t* plugin, clap_id timer_id);  // main
};

struct clap_host_timer_support_t {
  // main; the host may lengthen short periods.
  bool (*register_timer)(const clap_host_t* host, std::uint32_t period_ms, clap_id* timer_id);
  bool (*unregister_timer)(const clap_host_t* host, clap_id timer_id);  // main
};

static_assert(sizeof(clap_plugin_timer_support_t) == 8);
static_assert(sizeof(clap_host_timer_support_t) == 16);
static_assert(offsetof(clap_host_timer_support_t, unregister_timer) == 8);

// ---------------------------------------------------------------------------
// File descriptors, "clap.posix-fd-support": the host's loop watches the
// plug-in's fds and calls it on the main thread, level-triggered.

inline constexpr char kClapExtPosixFdSupport[] = "clap.posix-fd-support";

enum ClapPosixFdFlags : std::uint32_t {
  kClapPosixFdRead = 1,
  kClapPosixFdWrite = 2,
  kClapPosixFdError = 4,
};

struct clap_plugin_posix_fd_support_t {
  void (*on_fd)(const clap_plugin_t* plugin, int fd, std::uint32_t flags);  // main
};

struct clap_host_posix_fd_support_t {
  bool (*register_fd)(const clap_host_t* host, int fd, std::uint32_t flags);  // main
  bool (*modify_fd)(const clap_host_t* host, int fd, std::uint32_t flags);    // main
  bool (*unregister_fd)(const clap_host_t* host, int fd);                     // main
};

static_assert(sizeof(clap_plugin_posix_fd_support_t) == 8);
static_assert(sizeof(clap_host_posix_fd_support_t) == 24);
static_assert(offsetof(clap_host_posix_fd_support_t, modify_fd) == 8);
static_assert(offsetof(clap_host_posix_fd_support_t, unregister_fd) == 16);

// ---------------------------------------------------------------------------
// Thread check, "clap.thread-check" (host side): for debug assertions only;
// some hosts answer whether they are processing rather than who asks.

inline constexpr char kClapExtThreadCheck[] = "clap.thread-check";

struct clap_host_thread_check_t {
  bool (*is_main_thread)(const clap_host_t* host);   // any
  bool (*is_audio_thread)(const clap_host_t* host);  // any
};

static_assert(sizeof(clap_host_thread_check_t) == 16);
static_assert(offsetof(clap_host_thread_check_t, is_audio_thread) == 8);

// ---------------------------------------------------------------------------
// Log, "clap.log" (host side).

inline constexpr char kClapExtLog[] = "clap.log";

enum ClapLogSeverity : std::int32_t {
  kClapLogDebug = 0,
  kClapLogInfo = 1,
  kClapLogWarning = 2,
  kClapLogError = 3,
  kClapLogFatal = 4,
  kClapLogHostMisbehaving = 5,
  kClapLogPluginMisbehaving = 6,
};

struct clap_host_log_t {
  void (*log)(const clap_host_t* host, std::int32_t severity, const char* message);  // any
};

static_assert(sizeof(clap_host_log_t) == 8);

// ---------------------------------------------------------------------------
// Note ports, "clap.note-ports": MIDI and note events in and out.

inline constexpr char kClapExtNotePorts[] = "clap.note-ports";

enum ClapNoteDialect : std::uint32_t {
  kClapNoteDialectClap = 1,
  kClapNoteDialectMidi = 2,
  kClapNoteDialectMidiMpe = 4,
  kClapNoteDialectMidi2 = 8,
};

struct clap_note_port_info_t {
  clap_id id;
  std::uint32_t supported_dialects;  // ClapNoteDialect bits
  std::uint32_t preferred_dialect;   // one ClapNoteDialect
  char name[kClapNameSize];
};

// Plug-in side; main, read while inactive.
struct clap_plugin_note_ports_t {
  std::uint32_t (*count)(const clap_plugin_t* plugin, bool is_input);
  bool (*get)(const clap_plugin_t* plugin, std::uint32_t index, bool is_input,
              clap_note_port_info_t* info);
};

enum ClapNotePortsRescanFlags : std::uint32_t {
  kClapNotePortsRescanAll = 1,  // inactive only
  kClapNotePortsRescanNames = 2,
};

struct clap_host_note_ports_t {
  std::uint32_t (*supported_dialects)(const clap_host_t* host);  // main
  void (*rescan)(const clap_host_t* host, std::uint32_t flags);  // main
};

static_assert(sizeof(clap_note_port_info_t) == 268 && alignof(clap_note_port_info_t) == 4);
static_assert(offsetof(clap_note_port_info_t, supported_dialects) == 4);
static_assert(offsetof(clap_note_port_info_t, preferred_dialect) == 8);
static_assert(offsetof(clap_note_port_info_t, name) == 12);
static_assert(sizeof(clap_plugin_note_ports_t) == 16 &&
              offsetof(clap_plugin_note_ports_t, get) == 8);
static_assert(sizeof(clap_host_note_ports_t) == 16 &&
              offsetof(clap_host_note_ports_t, rescan) == 8);

}  // extern "C"

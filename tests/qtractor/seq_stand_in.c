/* A stand-in for the ALSA sequencer on machines without sound devices,
 * preloaded into Qtractor, which will not start its engine without one.
 * Every sequencer call that takes a handle succeeds and does nothing: no
 * MIDI flows, JACK's audio is untouched. Calls that only make or fill the
 * info, event and subscription objects stay with the real library, so the
 * objects passed in here have their real sizes. */
#include <errno.h>
#include <poll.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#define EXPORT __attribute__((visibility("default")))

typedef struct seq_handle seq_handle;

/* Kept for the poll descriptor hosts wait on; never written. */
static int quiet_pipe[2] = {-1, -1};
static int next_port = 0;

EXPORT int snd_seq_open(seq_handle** handle, const char* name, int streams, int mode) {
  (void)name, (void)streams, (void)mode;
  if (quiet_pipe[0] < 0 && pipe(quiet_pipe) != 0) return -errno;
  *handle = calloc(1, 64);
  return *handle ? 0 : -ENOMEM;
}

EXPORT int snd_seq_close(seq_handle* h) {
  free(h);
  return 0;
}

EXPORT int snd_seq_client_id(seq_handle* h) {
  (void)h;
  return 128;
}
EXPORT int snd_seq_set_client_name(seq_handle* h, const char* name) {
  (void)h, (void)name;
  return 0;
}
EXPORT int snd_seq_alloc_queue(seq_handle* h) {
  (void)h;
  return 0;
}
EXPORT int snd_seq_free_queue(seq_handle* h, int q) {
  (void)h, (void)q;
  return 0;
}
EXPORT int snd_seq_control_queue(seq_handle* h, int q, int type, int value, void* ev) {
  (void)h, (void)q, (void)type, (void)value, (void)ev;
  return 0;
}
EXPORT int snd_seq_create_simple_port(seq_handle* h, const char* name, unsigned caps,
                                      unsigned type) {
  (void)h, (void)name, (void)caps, (void)type;
  return next_port++;
}
EXPORT int snd_seq_delete_simple_port(seq_handle* h, int port) {
  (void)h, (void)port;
  return 0;
}
EXPORT int snd_seq_drain_output(seq_handle* h) {
  (void)h;
  return 0;
}
EXPORT int snd_seq_drop_input(seq_handle* h) {
  (void)h;
  return 0;
}
EXPORT int snd_seq_drop_output(seq_handle* h) {
  (void)h;
  return 0;
}

EXPORT int snd_seq_event_input(seq_handle* h, void** ev) {
  (void)h;
  if (ev) *ev = NULL;
  return -EAGAIN;
}
EXPORT int snd_seq_event_input_pending(seq_handle* h, int fetch) {
  (void)h, (void)fetch;
  return 0;
}
EXPORT int snd_seq_event_output(seq_handle* h, void* ev) {
  (void)h, (void)ev;
  return 0;
}
EXPORT int snd_seq_event_output_direct(seq_handle* h, void* ev) {
  (void)h, (void)ev;
  return 0;
}

EXPORT int snd_seq_get_any_client_info(seq_handle* h, int client, void* info) {
  (void)h, (void)client, (void)info;
  return -ENOENT;
}
EXPORT int snd_seq_get_any_port_info(seq_handle* h, int client, int port, void* info) {
  (void)h, (void)client, (void)port, (void)info;
  return -ENOENT;
}
EXPORT int snd_seq_get_port_info(seq_handle* h, int port, void* info) {
  (void)h, (void)port, (void)info;
  return 0;
}
EXPORT int snd_seq_set_port_info(seq_handle* h, int port, void* info) {
  (void)h, (void)port, (void)info;
  return 0;
}
EXPORT int snd_seq_get_queue_status(seq_handle* h, int q, void* status) {
  (void)h, (void)q, (void)status;
  return 0;
}

/* The queue tempo object as the library lays it out. */
struct queue_tempo {
  int queue;
  unsigned int tempo; /* microseconds per quarter note */
  int ppq;
  unsigned int skew_value;
  unsigned int skew_base;
  char reserved[24];
};

EXPORT int snd_seq_get_queue_tempo(seq_handle* h, int q, struct queue_tempo* tempo) {
  (void)h;
  memset(tempo, 0, sizeof *tempo);
  tempo->queue = q;
  tempo->tempo = 500000; /* 120 beats per minute */
  tempo->ppq = 960;
  tempo->skew_value = tempo->skew_base = 0x10000;
  return 0;
}
EXPORT int snd_seq_set_queue_tempo(seq_handle* h, int q, void* tempo) {
  (void)h, (void)q, (void)tempo;
  return 0;
}
EXPORT int snd_seq_set_queue_timer(seq_handle* h, int q, void* timer) {
  (void)h, (void)q, (void)timer;
  return 0;
}

EXPORT int snd_seq_poll_descriptors_count(seq_handle* h, short events) {
  (void)h, (void)events;
  return 1;
}
EXPORT int snd_seq_poll_descriptors(seq_handle* h, struct pollfd* pfds, unsigned space,
                                    short events) {
  (void)h;
  if (space < 1) return 0;
  pfds[0].fd = quiet_pipe[0];
  pfds[0].events = events;
  pfds[0].revents = 0;
  return 1;
}

EXPORT int snd_seq_query_next_client(seq_handle* h, void* info) {
  (void)h, (void)info;
  return -ENOENT;
}
EXPORT int snd_seq_query_next_port(seq_handle* h, void* info) {
  (void)h, (void)info;
  return -ENOENT;
}
EXPORT int snd_seq_query_port_subscribers(seq_handle* h, void* subs) {
  (void)h, (void)subs;
  return -ENOENT;
}
EXPORT int snd_seq_remove_events(seq_handle* h, void* remove) {
  (void)h, (void)remove;
  return 0;
}
EXPORT int snd_seq_subscribe_port(seq_handle* h, void* subs) {
  (void)h, (void)subs;
  return 0;
}
EXPORT int snd_seq_unsubscribe_port(seq_handle* h, void* subs) {
  (void)h, (void)subs;
  return 0;
}

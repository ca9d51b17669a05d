// One recorded key event, a press (key-down) or a release (key-up), with its
// time in seconds from the start of the recording.
//
// Threads: a Note is a value. The recorder's song mutex guards the notes of a
// song (see NoteRecorder).
#pragma once

#include "audio/sample_slots.h"
#include "platform/clock.h"

namespace piano {

struct Note {
  int sampleNo = 0;     // the key's sample slot 0..87; -1 on a release whose press was not found
  double time = 0.0;    // seconds from the start of the recording
  bool keyDown = false;
  float volume = 0.0f;  // start volume 0..1 of a press; 0 on a release
  double created = 0.0; // wall-clock seconds when this note was made; orders presses for erasing
  int overdubNo = 0;    // the take that recorded a press; 0 on a release
  int noteID = 0;       // shared by a press and its release
  int playlistNo = 0;   // on a release: the voice its press got in the current playback
  float attackDelta = 0.0f;
  float releaseDelta = 0.0f;

  static Note down(int sampleNo, float volume, double time, int overdubNo, int noteID, float attackDelta,
                   float releaseDelta, double created = platform::wallTime()) {
    Note note;
    note.sampleNo = sampleNo;
    note.time = time;
    note.keyDown = true;
    note.volume = volume;
    note.created = created;
    note.overdubNo = overdubNo;
    note.noteID = noteID;
    note.attackDelta = attackDelta;
    note.releaseDelta = releaseDelta;
    return note;
  }

  static Note up(double time, int noteID, int sampleNo, double created = platform::wallTime()) {
    Note note;
    note.sampleNo = sampleNo;
    note.time = time;
    note.created = created;
    note.noteID = noteID;
    return note;
  }

  friend bool operator==(const Note&, const Note&) = default;
};

}  // namespace piano

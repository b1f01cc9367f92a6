#pragma once
// Whether the PulseAudio server that Qt's audio output would use answers.
//
// Qt connects to the server without a time limit of its own: a server that
// accepts the connection and then says nothing holds the connecting thread
// (and, at exit, Qt Multimedia's own clean-up) for about thirty seconds. So
// the output asks first, with a deadline, and hands the server to Qt only if
// it answered.

namespace tk::audio {

// Connects to the default server (PULSE_SERVER, client.conf) and waits at most
// timeout_ms for it to be ready. Never starts a server.
bool SoundServerAnswers(int timeout_ms);

}  // namespace tk::audio

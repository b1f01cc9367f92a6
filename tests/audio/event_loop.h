#pragma once
// Waiting in tests for what the audio thread does.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace tamiro_test {

// Runs the event loop until done() holds or the time runs out.
template <typename Done>
bool SpinUntil(Done done, int timeout_ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeout_ms) return false;
    QCoreApplication::processEvents();
    QThread::msleep(2);
  }
  return true;
}

}  // namespace tamiro_test

#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace dodu::testing {

// A pseudo-terminal pair: the terminal end (the "slave", a serial port to the code under test)
// and the controlling end that the test drives. The test also holds one descriptor of the
// terminal end, to read its settings back and to keep the line up while the port closes.
class PseudoTerminal {
 public:
  PseudoTerminal();
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  const std::string& TerminalPath() const { return path_; }
  int TerminalDescriptor() const { return observer_; }

  // Sends bytes to the terminal end, as a device on the line would.
  void Send(const std::string& bytes);
  // What the terminal end wrote, waiting until count bytes came or a few seconds passed.
  std::string Receive(size_t count);
  // Closes the controlling end: the line hangs up.
  void HangUp();
  // Sends the byte over and over until StopStreaming (or destruction): a device that never stops
  // talking. With a pause, one byte after each pause (keep it well below the 100 ms a port waits
  // for a next byte); without, as fast as the line takes them.
  void StartStreaming(char byte, std::chrono::milliseconds pause = std::chrono::milliseconds(0));
  void StopStreaming();

 private:
  int master_ = -1;
  std::atomic<bool> streaming_{false};
  std::thread streamer_;
  int observer_ = -1;
  std::string path_;
};

}  // namespace dodu::testing

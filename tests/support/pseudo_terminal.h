#pragma once

#include <string>

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

 private:
  int master_ = -1;
  int observer_ = -1;
  std::string path_;
};

}  // namespace dodu::testing

// What an operator's line on `k5-iap station`'s input asks (a barcode scanner
// types a label and then Enter):
//
//   (empty)   every idle port's go          q         end after the running updates
//   N         port N's go                   N LABEL   LABEL for port N's next update
//   LABEL     with one port: its label (any line that is not exactly "1", "q" or empty)
//   {"port":2,"label":"K5-2412-00311"}   a label as a JSON object ("port" left out with one port);
//   {"port":2}                           port 2's go
#pragma once

#include <cstddef>
#include <string>

namespace k5::cli {

struct OperatorLine {
    enum class Kind { GoAll, GoPort, Label, Quit, Refused };
    Kind kind = Kind::GoAll;
    std::size_t port = 0;  // from 1 (GoPort, Label)
    std::string label;     // as given (the station checks it)
    std::string problem;   // why a line is refused
};

// `line` without its line ending; `ports` the station's number of ports.
OperatorLine ReadOperatorLine(const std::string& line, std::size_t ports);

}  // namespace k5::cli

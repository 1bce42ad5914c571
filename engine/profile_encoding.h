// The bytes of an initialisation file and the text the profile reader works
// on. Windows' profile functions read a file that starts with a UTF-16
// byte-order mark (Notepad's "Unicode") as UTF-16 and write it back so;
// every other file is taken byte for byte.
//
// UTF-16 text is held as UTF-8, with an unpaired surrogate kept as its own
// three-byte sequence, so that reading and writing back changes no byte.
#pragma once

#include <string>
#include <string_view>

namespace k5::profile {

class FileText {
  public:
    static FileText FromBytes(std::string_view bytes);

    const std::string& Text() const { return text_; }
    // `text` in this file's own encoding, with its byte-order mark.
    std::string ToBytes(std::string_view text) const;

  private:
    enum class Encoding { Bytes, Utf16Le, Utf16Be };
    Encoding encoding_ = Encoding::Bytes;
    std::string text_;
    std::string oddByte_;  // a UTF-16 file's last byte when its length is odd
};

}  // namespace k5::profile

#pragma once

#include <filesystem>
#include <string>

namespace dodu::testing {

// Verifies an RSA-SHA1 signature (base64) of the text with the `openssl` command-line tool and
// the public key of the build's key directory, as a tax auditor would. Scratch files go to
// `scratch`. False with openssl's words in `output` when it does not verify.
bool OpenSslVerifies(const std::string& text, const std::string& signature_base64,
                     const std::filesystem::path& scratch, std::string& output);

}  // namespace dodu::testing

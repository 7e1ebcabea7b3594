#pragma once

#include "trust/signer_reader.h"

// Reads the first signer through CryptoAPI (crypt32.dll, loaded from the
// system folder on first use and kept for the life of the process). When
// crypt32 cannot be loaded, every file reads as having no signature.
class Win32SignerReader final : public SignerReader {
public:
    std::unique_ptr<SignerMessage> Open(const std::wstring& path, SignerOpenFailure& failure) override;
};

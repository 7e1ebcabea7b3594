// Fakes of the signature verifier and the signer reader.
#pragma once

#include "fakes/seam_calls.h"
#include "trust/signer_reader.h"
#include "trust/trust_verifier.h"

#include <string>
#include <vector>

// Answers every file with the chosen outcome, and no file at all (an empty
// path) as one it cannot read; records the paths asked for.
class FakeTrustVerifier final : public TrustVerifier {
public:
    TrustOutcome outcome;  // verified unless a test changes it
    std::vector<std::wstring> paths;
    SeamCalls* seamCalls = nullptr;  // counts every call; fails the chosen one

    TrustOutcome VerifyFile(const std::wstring& path) override
    {
        paths.push_back(path);
        // The verifier cannot read the file: CRYPT_E_FILE_ERROR.
        if (Injected(seamCalls, "TrustVerifier", "VerifyFile", path) || path.empty())
            return TrustOutcome{0x80092003, 0x80092003};
        return outcome;
    }
};

// A signature described by its fields. By default: a signed file whose
// signer has the program-and-publisher attribute among others and a
// certificate. Any step can be made to fail.
class FakeSignerReader final : public SignerReader {
public:
    SignerOpenFailure openFailure = SignerOpenFailure::kNone;
    std::vector<std::string> attributeIds = {"1.2.840.113549.1.9.3", "1.3.6.1.4.1.311.2.1.12",
                                             "1.2.840.113549.1.9.4"};
    // Decoding an attribute: its failure, and the decoded value by index.
    OpusDecodeFailure decodeFailure = OpusDecodeFailure::kNone;
    std::vector<OpusInfo> opusByIndex = {
        {},
        {L"Corvane Setup", SignerLink{SignerLinkChoice::kUrl, L"http://example.test/more"},
         SignerLink{SignerLinkChoice::kUrl, L"http://example.test/publisher"}},
        {},
    };
    std::optional<SignerCertificate> certificate =
        SignerCertificate{{0x0D, 0x0C, 0x0B, 0x0A, 0x00}, L"Test Issuer", L"Test Subject"};

    // What happened, for the tests to check.
    std::vector<std::wstring> openedPaths;
    std::vector<std::size_t> decodedIndexes;
    int openMessages = 0;
    SeamCalls* seamCalls = nullptr;  // counts every call; fails the chosen one

    std::unique_ptr<SignerMessage> Open(const std::wstring& path, SignerOpenFailure& failure) override
    {
        openedPaths.push_back(path);
        failure = Injected(seamCalls, "SignerReader", "Open", path) ? SignerOpenFailure::kSignerInfo : openFailure;
        if (failure != SignerOpenFailure::kNone)
            return nullptr;
        return std::make_unique<Message>(*this);
    }

private:
    class Message final : public SignerMessage {
    public:
        explicit Message(FakeSignerReader& reader) : m_reader(reader) { ++m_reader.openMessages; }
        ~Message() override { --m_reader.openMessages; }
        std::vector<std::string_view> AuthenticatedAttributeIds() const override
        {
            return {m_reader.attributeIds.begin(), m_reader.attributeIds.end()};
        }
        OpusDecodeFailure DecodeOpusInfo(std::size_t index, OpusInfo& info) const override
        {
            m_reader.decodedIndexes.push_back(index);
            if (Injected(m_reader.seamCalls, "SignerReader", "DecodeOpusInfo", std::to_wstring(index)))
                return OpusDecodeFailure::kDecode;
            if (m_reader.decodeFailure != OpusDecodeFailure::kNone)
                return m_reader.decodeFailure;
            info = index < m_reader.opusByIndex.size() ? m_reader.opusByIndex[index] : OpusInfo{};
            return OpusDecodeFailure::kNone;
        }
        std::optional<SignerCertificate> FindSignerCertificate() const override
        {
            if (Injected(m_reader.seamCalls, "SignerReader", "FindSignerCertificate"))
                return std::nullopt;
            return m_reader.certificate;
        }

    private:
        FakeSignerReader& m_reader;
    };
};

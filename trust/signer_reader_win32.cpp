#include "trust/signer_reader_win32.h"

#include "app/win32_handles.h"
#include "trust/own_module.h"

#include <windows.h>
#include <wincrypt.h>
#include <wintrust.h>

namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

template <typename Fn>
Fn Lookup(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// The CryptoAPI calls, resolved once. crypt32 is not a load-time import: a
// planted copy beside the elevated executable must never load.
struct Crypt32Api {
    UniqueModule module;
    decltype(&::CryptQueryObject) queryObject = nullptr;
    decltype(&::CryptMsgGetParam) msgGetParam = nullptr;
    decltype(&::CryptMsgClose) msgClose = nullptr;
    decltype(&::CertCloseStore) closeStore = nullptr;
    decltype(&::CryptDecodeObject) decodeObject = nullptr;
    decltype(&::CertFindCertificateInStore) findCertificate = nullptr;
    decltype(&::CertGetNameStringW) getNameString = nullptr;
    decltype(&::CertFreeCertificateContext) freeCertificate = nullptr;

    Crypt32Api() : module(LoadSystemLibrary(L"crypt32.dll"))
    {
        if (!module)
            return;
        const HMODULE m = module.Get();
        queryObject = Lookup<decltype(queryObject)>(m, "CryptQueryObject");
        msgGetParam = Lookup<decltype(msgGetParam)>(m, "CryptMsgGetParam");
        msgClose = Lookup<decltype(msgClose)>(m, "CryptMsgClose");
        closeStore = Lookup<decltype(closeStore)>(m, "CertCloseStore");
        decodeObject = Lookup<decltype(decodeObject)>(m, "CryptDecodeObject");
        findCertificate = Lookup<decltype(findCertificate)>(m, "CertFindCertificateInStore");
        getNameString = Lookup<decltype(getNameString)>(m, "CertGetNameStringW");
        freeCertificate = Lookup<decltype(freeCertificate)>(m, "CertFreeCertificateContext");
    }
    bool IsComplete() const
    {
        return queryObject && msgGetParam && msgClose && closeStore && decodeObject && findCertificate &&
               getNameString && freeCertificate;
    }
};

// Null when crypt32 or one of its calls is missing. Every owner below is
// created only after this returned non-null, and the library stays loaded
// until the process ends.
const Crypt32Api* Crypt32()
{
    static const Crypt32Api api;
    return api.IsComplete() ? &api : nullptr;
}

struct CertStoreTraits {
    static HCERTSTORE Invalid() { return nullptr; }
    static void Close(HCERTSTORE store) { Crypt32()->closeStore(store, 0); }
};
struct CryptMsgTraits {
    static HCRYPTMSG Invalid() { return nullptr; }
    static void Close(HCRYPTMSG message) { Crypt32()->msgClose(message); }
};
struct CertContextTraits {
    static PCCERT_CONTEXT Invalid() { return nullptr; }
    static void Close(PCCERT_CONTEXT context) { Crypt32()->freeCertificate(context); }
};
using UniqueCertStore = UniqueResource<HCERTSTORE, CertStoreTraits>;
using UniqueCryptMsg = UniqueResource<HCRYPTMSG, CryptMsgTraits>;
using UniqueCertContext = UniqueResource<PCCERT_CONTEXT, CertContextTraits>;

std::optional<std::wstring> CopyText(LPCWSTR text)
{
    return text ? std::optional<std::wstring>(text) : std::nullopt;
}

std::optional<SignerLink> ConvertLink(const SPC_LINK* link)
{
    if (!link)
        return std::nullopt;
    SignerLink converted;
    converted.choice = link->dwLinkChoice;
    if (link->dwLinkChoice == SPC_URL_LINK_CHOICE)
        converted.text = CopyText(link->pwszUrl);
    else if (link->dwLinkChoice == SPC_FILE_LINK_CHOICE)
        converted.text = CopyText(link->pwszFile);
    return converted;
}

// A length query first, then the text; absent when the length is 0.
std::optional<std::wstring> CertificateName(PCCERT_CONTEXT certificate, DWORD flags)
{
    const Crypt32Api& api = *Crypt32();
    const DWORD length = api.getNameString(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, flags, nullptr, nullptr, 0);
    if (length == 0)
        return std::nullopt;
    std::wstring name(length, L'\0');
    const DWORD written = api.getNameString(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, flags, nullptr, name.data(), length);
    name.resize(written > 0 ? written - 1 : 0);
    return name;
}

class Win32SignerMessage final : public SignerMessage {
public:
    Win32SignerMessage(UniqueCertStore store, UniqueCryptMsg message, UniqueLocalMemory signerInfo)
        : m_store(std::move(store)), m_message(std::move(message)), m_signerInfo(std::move(signerInfo))
    {
    }

    std::vector<std::string_view> AuthenticatedAttributeIds() const override
    {
        const CMSG_SIGNER_INFO& signer = Signer();
        std::vector<std::string_view> ids(signer.AuthAttrs.cAttr);
        for (DWORD i = 0; i < signer.AuthAttrs.cAttr; ++i) {
            if (const char* id = signer.AuthAttrs.rgAttr[i].pszObjId)
                ids[i] = id;
        }
        return ids;
    }

    OpusDecodeFailure DecodeOpusInfo(std::size_t index, OpusInfo& info) const override
    {
        const Crypt32Api& api = *Crypt32();
        const CRYPT_ATTRIBUTE& attribute = Signer().AuthAttrs.rgAttr[index];
        if (attribute.cValue == 0)
            return OpusDecodeFailure::kSize;
        const CRYPT_ATTR_BLOB& value = attribute.rgValue[0];
        DWORD size = 0;
        if (!api.decodeObject(kEncoding, SPC_SP_OPUS_INFO_OBJID, value.pbData, value.cbData, 0, nullptr, &size))
            return OpusDecodeFailure::kSize;
        const UniqueLocalMemory block(::LocalAlloc(LPTR, size));
        if (!block)
            return OpusDecodeFailure::kAllocate;
        if (!api.decodeObject(kEncoding, SPC_SP_OPUS_INFO_OBJID, value.pbData, value.cbData, 0, block.Get(), &size))
            return OpusDecodeFailure::kDecode;
        const auto* opus = static_cast<const SPC_SP_OPUS_INFO*>(block.Get());
        info.programName = CopyText(opus->pwszProgramName);
        info.moreInfo = ConvertLink(opus->pMoreInfo);
        info.publisherInfo = ConvertLink(opus->pPublisherInfo);
        return OpusDecodeFailure::kNone;
    }

    std::optional<SignerCertificate> FindSignerCertificate() const override
    {
        const Crypt32Api& api = *Crypt32();
        CERT_INFO key = {};
        key.Issuer = Signer().Issuer;
        key.SerialNumber = Signer().SerialNumber;
        const UniqueCertContext certificate(
            api.findCertificate(m_store.Get(), kEncoding, 0, CERT_FIND_SUBJECT_CERT, &key, nullptr));
        if (!certificate)
            return std::nullopt;
        const CRYPT_INTEGER_BLOB& serial = certificate.Get()->pCertInfo->SerialNumber;
        SignerCertificate found;
        found.serialNumber.assign(serial.pbData, serial.pbData + serial.cbData);
        found.issuerName = CertificateName(certificate.Get(), CERT_NAME_ISSUER_FLAG);
        found.subjectName = CertificateName(certificate.Get(), 0);
        return found;
    }

private:
    const CMSG_SIGNER_INFO& Signer() const { return *static_cast<const CMSG_SIGNER_INFO*>(m_signerInfo.Get()); }

    UniqueCertStore m_store;
    UniqueCryptMsg m_message;
    UniqueLocalMemory m_signerInfo;
};

}  // namespace

std::unique_ptr<SignerMessage> Win32SignerReader::Open(const std::wstring& path, SignerOpenFailure& failure)
{
    failure = SignerOpenFailure::kQueryObject;
    const Crypt32Api* api = Crypt32();
    if (!api)
        return nullptr;

    // Whole or not at all, never cut short: a cut path names another file.
    if (path.size() >= kLongestPathBuffer) {
        failure = SignerOpenFailure::kCopyPath;
        return nullptr;
    }

    DWORD encoding = 0;
    DWORD contentType = 0;
    DWORD formatType = 0;
    HCERTSTORE rawStore = nullptr;
    HCRYPTMSG rawMessage = nullptr;
    const BOOL queried =
        api->queryObject(CERT_QUERY_OBJECT_FILE, path.c_str(), CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
                         CERT_QUERY_FORMAT_FLAG_BINARY, 0, &encoding, &contentType, &formatType, &rawStore,
                         &rawMessage, nullptr);
    UniqueCertStore store(rawStore);
    UniqueCryptMsg message(rawMessage);
    if (!queried) {
        failure = SignerOpenFailure::kQueryObject;
        return nullptr;
    }

    DWORD size = 0;
    if (!api->msgGetParam(message.Get(), CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size)) {
        failure = SignerOpenFailure::kSignerInfoSize;
        return nullptr;
    }
    UniqueLocalMemory signerInfo(::LocalAlloc(LPTR, size));
    if (!signerInfo) {
        failure = SignerOpenFailure::kAllocate;
        return nullptr;
    }
    if (!api->msgGetParam(message.Get(), CMSG_SIGNER_INFO_PARAM, 0, signerInfo.Get(), &size)) {
        failure = SignerOpenFailure::kSignerInfo;
        return nullptr;
    }
    failure = SignerOpenFailure::kNone;
    return std::make_unique<Win32SignerMessage>(std::move(store), std::move(message), std::move(signerInfo));
}

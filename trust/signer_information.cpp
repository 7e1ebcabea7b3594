#include "trust/signer_information.h"

#include "app/diagnostic_log.h"
#include "app/format.h"
#include "app/long_path.h"
#include "app/text.h"

namespace {

// A link's text is kept only for the choices that carry text.
std::optional<std::wstring> LinkText(const SignerLink& link)
{
    if (link.choice == SignerLinkChoice::kUrl || link.choice == SignerLinkChoice::kFile)
        return link.text;
    return std::nullopt;
}

const wchar_t* OrNull(const std::optional<std::wstring>& text)
{
    return text ? text->c_str() : L"null";
}

}  // namespace

void GetProgAndPublisherInfo(const SignerMessage& message, SignerInformation& info)
{
    const std::vector<std::string_view> ids = message.AuthenticatedAttributeIds();
    std::size_t index = 0;
    while (index < ids.size() && ids[index] != kOpusInfoObjectId)
        ++index;
    if (index == ids.size())
        return;

    OpusInfo opus;
    switch (message.DecodeOpusInfo(index, opus)) {
    case OpusDecodeFailure::kNone:
        break;
    case OpusDecodeFailure::kSize:
        LogText("GetProgAndPublisherInfo failed CryptDecodeObject\n");
        return;
    case OpusDecodeFailure::kAllocate:
        LogText("GetProgAndPublisherInfo failed Allocate1\n");
        return;
    case OpusDecodeFailure::kDecode:
        LogText("GetProgAndPublisherInfo failed CryptoDecodeObject\n");
        return;
    }

    if (opus.programName)
        info.programName = opus.programName;
    else
        LogText("GetProgAndPublisherInfo failed pwszProgramName\n");

    if (opus.publisherInfo) {
        info.publisherLink = LinkText(*opus.publisherInfo);
        LogMessage("GetProgAndPublisherInfo switch 1 %d\n", opus.publisherInfo->choice);
    } else {
        LogText("GetProgAndPublisherInfo pPublisheInfo = null\n");
    }

    if (opus.moreInfo) {
        info.moreInfo = LinkText(*opus.moreInfo);
        LogMessage("GetProgAndPublisherInfo switch MoreInfo %d\n", opus.moreInfo->choice);
    } else {
        LogText("GetProgAndPublisherInfo pMoreInfo = null\n");
    }
}

void ReadSignerCertificate(const SignerMessage& message, SignerInformation& info)
{
    std::optional<SignerCertificate> certificate = message.FindSignerCertificate();
    if (!certificate)
        return;
    info.serialNumberLength = static_cast<std::uint32_t>(certificate->serialNumber.size());
    info.serialNumber = std::move(certificate->serialNumber);
    info.issuerName = std::move(certificate->issuerName);
    info.subjectName = std::move(certificate->subjectName);
}

bool GetAuthenticodeInformation(SignerReader& reader, const std::wstring& path, SignerInformation& info)
{
    LogText("GetAuthenticodeInformation \n");
    bool read = false;
    {
        SignerOpenFailure failure = SignerOpenFailure::kNone;
        const std::unique_ptr<SignerMessage> message = reader.Open(MakeExtendedLengthPath(path), failure);
        if (message) {
            GetProgAndPublisherInfo(*message, info);
            ReadSignerCertificate(*message, info);
            read = true;
        } else {
            switch (failure) {
            case SignerOpenFailure::kCopyPath:
                LogMessage("GetAuthenticodeInformation failed strcpy %s\n", path);
                break;
            case SignerOpenFailure::kSignerInfoSize:
                LogText("GetAuthenticodeInformation failed CryptMsgGetParam\n");
                break;
            case SignerOpenFailure::kAllocate:
                LogText("GetAuthenticodeInformation failed Allocate 1\n");
                break;
            case SignerOpenFailure::kSignerInfo:
                LogText("GetAuthenticodeInformation failed SignerInfo \n");
                break;
            case SignerOpenFailure::kQueryObject:  // a file without a signature: no line of its own
            case SignerOpenFailure::kNone:
                break;
            }
        }
    }  // the signature is released before the closing line
    LogText("GetAuthenticodeInformation Fininshed\n");
    return read;
}

std::wstring DescribeSerialNumber(const std::optional<std::vector<std::uint8_t>>& serialNumber)
{
    if (!serialNumber)
        return L"null";
    std::wstring text;
    for (auto byte = serialNumber->rbegin(); byte != serialNumber->rend(); ++byte) {
        text.push_back(UpperHexDigit(*byte >> 4));
        text.push_back(UpperHexDigit(*byte));
    }
    return text;
}

std::wstring LogSignerInformation(const StringTable& strings, const OwnModule& ownModule, SignerReader& reader)
{
    std::wstring programName = strings.Load(StringId::kDefaultProgramName);

    // Without the whole path the signer of another file could be read.
    const std::optional<std::wstring> ownPath = ownModule.GetOwnModulePath();
    SignerInformation info;
    if (!ownPath || !GetAuthenticodeInformation(reader, *ownPath, info)) {
        LogText("Digital verification: Failed\n");
        return programName;
    }
    LogMessage("Digital verification: SubjectName '%s'\n", OrNull(info.subjectName));
    LogMessage("Digital verification: ProgramName '%s'\n", OrNull(info.programName));
    LogMessage("Digital verification: MoreInfo    '%s'\n", OrNull(info.moreInfo));
    LogMessage("Digital verification: SerialNumber %s\n", DescribeSerialNumber(info.serialNumber));
    LogMessage("Digital verification: IssuerName '%s'\n", OrNull(info.issuerName));
    if (info.programName)
        programName = *info.programName;
    return programName;
}

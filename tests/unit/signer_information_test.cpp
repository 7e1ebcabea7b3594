#include "app_fixture.h"
#include "trust/signer_information.h"

#include <gtest/gtest.h>

namespace {

using SignerInformationTest = AppFixture;

const std::wstring kSignedLog = L"GetAuthenticodeInformation \n"
                                L"GetProgAndPublisherInfo switch 1 1\n"
                                L"GetProgAndPublisherInfo switch MoreInfo 1\n"
                                L"GetAuthenticodeInformation Fininshed\n"
                                L"Digital verification: SubjectName 'Test Subject'\n"
                                L"Digital verification: ProgramName 'Corvane Setup'\n"
                                L"Digital verification: MoreInfo    'http://example.test/more'\n"
                                L"Digital verification: SerialNumber 000A0B0C0D\n"
                                L"Digital verification: IssuerName 'Test Issuer'\n";

TEST_F(SignerInformationTest, SignedFileLogsEveryFieldInOrderAndForwardsTheProgramName)
{
    auto& app = MakeApp({});
    app.m_strProgramName = LogSignerInformation(strings, ownModule, signerReader);
    EXPECT_EQ(LoggedText(), kSignedLog);
    EXPECT_EQ(app.m_strProgramName, L"Corvane Setup");
    EXPECT_EQ(signerReader.openedPaths, std::vector<std::wstring>{L"C:\\Downloads\\setup.exe"});
    EXPECT_EQ(signerReader.decodedIndexes, std::vector<std::size_t>{1});
    EXPECT_EQ(signerReader.openMessages, 0);  // released on the way out
}

TEST_F(SignerInformationTest, UnreadableSignatureKeepsTheDefaultNameAndLogsTheFailingStep)
{
    const struct {
        SignerOpenFailure failure;
        std::wstring line;  // between the opening and the closing line
    } cases[] = {
        {SignerOpenFailure::kQueryObject, L""},
        {SignerOpenFailure::kCopyPath, L"GetAuthenticodeInformation failed strcpy C:\\Downloads\\setup.exe\n"},
        {SignerOpenFailure::kSignerInfoSize, L"GetAuthenticodeInformation failed CryptMsgGetParam\n"},
        {SignerOpenFailure::kAllocate, L"GetAuthenticodeInformation failed Allocate 1\n"},
        {SignerOpenFailure::kSignerInfo, L"GetAuthenticodeInformation failed SignerInfo \n"},
    };
    for (const auto& c : cases) {
        g_log.Reset();
        signerReader.openFailure = c.failure;
        auto& app = MakeApp({});
        app.m_strProgramName = L"left over";
        app.m_strProgramName = LogSignerInformation(strings, ownModule, signerReader);
        EXPECT_EQ(LoggedText(), L"GetAuthenticodeInformation \n" + c.line +
                                    L"GetAuthenticodeInformation Fininshed\nDigital verification: Failed\n");
        EXPECT_EQ(app.m_strProgramName, L"Mini");
    }
}

TEST_F(SignerInformationTest, TheDefaultNameComesFromTheStringTable)
{
    strings.entries[201] = L"Custom";
    signerReader.opusByIndex[1].programName.reset();
    auto& app = MakeApp({});
    app.m_strProgramName = LogSignerInformation(strings, ownModule, signerReader);
    EXPECT_EQ(app.m_strProgramName, L"Custom");
    const std::wstring text = LoggedText();
    EXPECT_NE(text.find(L"GetProgAndPublisherInfo failed pwszProgramName\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"Digital verification: ProgramName 'null'\n"), std::wstring::npos);
}

TEST_F(SignerInformationTest, AnEmptySignedProgramNameIsStillTheSignedName)
{
    signerReader.opusByIndex[1].programName = L"";
    auto& app = MakeApp({});
    app.m_strProgramName = LogSignerInformation(strings, ownModule, signerReader);
    EXPECT_EQ(app.m_strProgramName, L"");
    EXPECT_NE(LoggedText().find(L"Digital verification: ProgramName ''\n"), std::wstring::npos);
}

TEST_F(SignerInformationTest, LinksKeepTextOnlyForUrlAndFileChoices)
{
    const struct {
        std::optional<SignerLink> link;
        std::wstring moreInfoLine;
        std::wstring shown;
    } cases[] = {
        {SignerLink{1, L"http://a.test/"}, L"GetProgAndPublisherInfo switch MoreInfo 1\n", L"http://a.test/"},
        {SignerLink{3, L"C:\\readme.txt"}, L"GetProgAndPublisherInfo switch MoreInfo 3\n", L"C:\\readme.txt"},
        {SignerLink{2, std::nullopt}, L"GetProgAndPublisherInfo switch MoreInfo 2\n", L"null"},
        // A choice outside the three: logged, nothing kept even if text came along.
        {SignerLink{7, L"ignored"}, L"GetProgAndPublisherInfo switch MoreInfo 7\n", L"null"},
        {std::nullopt, L"GetProgAndPublisherInfo pMoreInfo = null\n", L"null"},
    };
    for (const auto& c : cases) {
        g_log.Reset();
        signerReader.opusByIndex[1].moreInfo = c.link;
        signerReader.opusByIndex[1].publisherInfo = c.link;
        auto& app = MakeApp({});
        app.m_strProgramName = LogSignerInformation(strings, ownModule, signerReader);
        const std::wstring text = LoggedText();
        EXPECT_NE(text.find(c.moreInfoLine), std::wstring::npos) << text;
        EXPECT_NE(text.find(L"Digital verification: MoreInfo    '" + c.shown + L"'\n"), std::wstring::npos) << text;
        const std::wstring publisherLine = c.link ? L"GetProgAndPublisherInfo switch 1 " + std::to_wstring(c.link->choice) + L"\n"
                                                  : L"GetProgAndPublisherInfo pPublisheInfo = null\n";
        EXPECT_NE(text.find(publisherLine), std::wstring::npos) << text;
        // Publisher line comes first.
        EXPECT_LT(text.find(publisherLine), text.find(c.moreInfoLine)) << text;
    }
}

TEST_F(SignerInformationTest, PublisherLinkIsReadButNeverLogged)
{
    SignerInformation info;
    auto& app = MakeApp({});
    (void)app;
    signerReader.opusByIndex[1].publisherInfo = SignerLink{3, L"\\\\server\\publisher.txt"};
    ASSERT_TRUE(GetAuthenticodeInformation(signerReader, L"C:\\x.exe", info));
    EXPECT_EQ(info.publisherLink, std::optional<std::wstring>(L"\\\\server\\publisher.txt"));
    EXPECT_EQ(info.serialNumberLength, 5u);
    EXPECT_EQ(LoggedText().find(L"publisher.txt"), std::wstring::npos);
}

TEST_F(SignerInformationTest, OnlyTheFirstOpusAttributeIsDecoded)
{
    signerReader.attributeIds = {"1.3.6.1.4.1.311.2.1.120", "1.3.6.1.4.1.311.2.1.12", "1.3.6.1.4.1.311.2.1.12"};
    signerReader.opusByIndex = {{L"not me"}, {L"First"}, {L"Second"}};
    auto& app = MakeApp({});
    app.m_strProgramName = LogSignerInformation(strings, ownModule, signerReader);
    EXPECT_EQ(signerReader.decodedIndexes, std::vector<std::size_t>{1});
    EXPECT_EQ(app.m_strProgramName, L"First");
}

TEST_F(SignerInformationTest, WithoutOpusAttributeOnlyTheCertificateIsRead)
{
    signerReader.attributeIds = {"1.2.840.113549.1.9.3", "1.2.840.113549.1.9.4"};
    auto& app = MakeApp({});
    app.m_strProgramName = LogSignerInformation(strings, ownModule, signerReader);
    const std::wstring text = LoggedText();
    EXPECT_EQ(text.find(L"GetProgAndPublisherInfo"), std::wstring::npos);
    EXPECT_TRUE(signerReader.decodedIndexes.empty());
    EXPECT_NE(text.find(L"Digital verification: SubjectName 'Test Subject'\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"Digital verification: ProgramName 'null'\n"), std::wstring::npos);
    EXPECT_EQ(app.m_strProgramName, L"Mini");
}

TEST_F(SignerInformationTest, DecodeFailuresLogTheirStepAndLeaveTheLinksEmpty)
{
    const struct {
        OpusDecodeFailure failure;
        std::wstring line;
    } cases[] = {
        {OpusDecodeFailure::kSize, L"GetProgAndPublisherInfo failed CryptDecodeObject\n"},
        {OpusDecodeFailure::kAllocate, L"GetProgAndPublisherInfo failed Allocate1\n"},
        {OpusDecodeFailure::kDecode, L"GetProgAndPublisherInfo failed CryptoDecodeObject\n"},
    };
    for (const auto& c : cases) {
        g_log.Reset();
        signerReader.decodeFailure = c.failure;
        auto& app = MakeApp({});
        app.m_strProgramName = LogSignerInformation(strings, ownModule, signerReader);
        EXPECT_EQ(LoggedText(), L"GetAuthenticodeInformation \n" + c.line +
                                    L"GetAuthenticodeInformation Fininshed\n"
                                    L"Digital verification: SubjectName 'Test Subject'\n"
                                    L"Digital verification: ProgramName 'null'\n"
                                    L"Digital verification: MoreInfo    'null'\n"
                                    L"Digital verification: SerialNumber 000A0B0C0D\n"
                                    L"Digital verification: IssuerName 'Test Issuer'\n");
        EXPECT_EQ(app.m_strProgramName, L"Mini");
    }
}

TEST_F(SignerInformationTest, CertificateFieldsShowNullWhenAbsent)
{
    const struct {
        std::optional<SignerCertificate> certificate;
        std::wstring serial, issuer, subject;
    } cases[] = {
        {std::nullopt, L"null", L"null", L"null"},
        {SignerCertificate{{}, std::nullopt, L"Only Subject"}, L"", L"null", L"Only Subject"},
        {SignerCertificate{{0x01}, L"", L""}, L"01", L"", L""},
        {SignerCertificate{{0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01, 0x00, 0xFF}, L"I", L"S"},
         L"FF000123456789ABCDEF", L"I", L"S"},
    };
    for (const auto& c : cases) {
        g_log.Reset();
        signerReader.certificate = c.certificate;
        auto& app = MakeApp({});
        app.m_strProgramName = LogSignerInformation(strings, ownModule, signerReader);
        const std::wstring text = LoggedText();
        EXPECT_NE(text.find(L"Digital verification: SerialNumber " + c.serial + L"\n"), std::wstring::npos) << text;
        EXPECT_NE(text.find(L"Digital verification: IssuerName '" + c.issuer + L"'\n"), std::wstring::npos) << text;
        EXPECT_NE(text.find(L"Digital verification: SubjectName '" + c.subject + L"'\n"), std::wstring::npos) << text;
        EXPECT_EQ(app.m_strProgramName, L"Corvane Setup");
    }
}

}  // namespace

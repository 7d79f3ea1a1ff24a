#include "notify/RNotifyMailer.h"

#include <QLocale>

#include <curl/curl.h>

#include <cstring>

namespace {

// Connecting and the whole exchange of one mail; a server slower than this
// is treated as down.
constexpr long ConnectSeconds = 10;
constexpr long MailSeconds = 60;

struct Upload
{
    QByteArray data;
    qsizetype nDone = 0;
};

size_t readMessage(char* pBuffer, size_t nSize, size_t nCount, void* pUpload)
{
    auto* pUp = static_cast<Upload*>(pUpload);
    const size_t nRoom = nSize * nCount;
    const size_t nLeft = size_t(pUp->data.size() - pUp->nDone);
    const size_t n = nLeft < nRoom ? nLeft : nRoom;
    std::memcpy(pBuffer, pUp->data.constData() + pUp->nDone, n);
    pUp->nDone += qsizetype(n);
    return n;
}

// The server's reply lines come to the header callback; the last is kept.
size_t replyLine(char* pBuffer, size_t nSize, size_t nCount, void* pLast)
{
    const size_t n = nSize * nCount;
    QByteArray line(pBuffer, int(n));
    line = line.trimmed();
    if (!line.isEmpty())
        *static_cast<QByteArray*>(pLast) = line;
    return n;
}

int progress(void* pStop, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<std::atomic_bool*>(pStop)->load() ? 1 : 0;
}

QByteArray encodedWord(const QString& strText)
{
    // Plain ASCII as it is; anything else as an RFC 2047 word.
    bool bAscii = true;
    for (const QChar c : strText)
        bAscii = bAscii && c.unicode() >= 32 && c.unicode() < 127;
    return bAscii ? strText.toLatin1() : "=?UTF-8?B?" + strText.toUtf8().toBase64() + "?=";
}

} // namespace

RNotifyMailer::RNotifyMailer(const RNotifyConfig& config)
    : m_config(config)
{
}

QByteArray RNotifyMailer::Message(const QString& strFrom, const RNotifyMail& mail)
{
    QByteArray body = mail.strBody.toUtf8().toBase64();
    for (int i = 76; i < body.size(); i += 78)
        body.insert(i, "\r\n");
    const int nOffset = mail.date.offsetFromUtc();
    const QByteArray zone = (nOffset < 0 ? "-" : "+")
        + QByteArray::number(100 * (qAbs(nOffset) / 3600) + qAbs(nOffset) % 3600 / 60)
              .rightJustified(4, '0');
    return "Date: "
        + QLocale::c().toString(mail.date, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss ")).toLatin1()
        + zone + "\r\nFrom: <" + strFrom.toUtf8()
        + ">\r\nTo: " + mail.to.join(QStringLiteral(", ")).toUtf8()
        + "\r\nSubject: " + encodedWord(mail.strSubject)
        + "\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8\r\n"
          "Content-Transfer-Encoding: base64\r\n\r\n"
        + body + "\r\n";
}

void RNotifyMailer::Send(const RNotifyMail& mail)
{
    RNotifySent sent;
    sent.nSeq = mail.nSeq;
    CURL* pCurl = curl_easy_init();
    if (!pCurl) {
        sent.strAnswer = QStringLiteral("the mail library did not start");
        emit Sent(sent);
        return;
    }
    const char* pScheme = m_config.eSecurity == RNotifyConfig::Security::Tls ? "smtps" : "smtp";
    const QByteArray url = QByteArray(pScheme) + "://" + m_config.strHost.toUtf8() + ':'
        + QByteArray::number(m_config.nPort);
    const QByteArray from = '<' + m_config.strFrom.toUtf8() + '>';
    const QByteArray user = m_config.strUser.toUtf8();
    const QByteArray password = m_config.strPassword.toUtf8();
    const QByteArray ca = m_config.strCaFile.toUtf8();
    curl_slist* pTo = nullptr;
    for (const QString& strTo : mail.to)
        pTo = curl_slist_append(pTo, ('<' + strTo.toUtf8() + '>').constData());
    Upload upload {Message(m_config.strFrom, mail), 0};
    QByteArray last;
    char error[CURL_ERROR_SIZE] = {};

    curl_easy_setopt(pCurl, CURLOPT_URL, url.constData());
    curl_easy_setopt(pCurl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    if (m_config.eSecurity == RNotifyConfig::Security::StartTls)
        curl_easy_setopt(pCurl, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    if (!ca.isEmpty())
        curl_easy_setopt(pCurl, CURLOPT_CAINFO, ca.constData());
    if (!user.isEmpty()) {
        curl_easy_setopt(pCurl, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(pCurl, CURLOPT_PASSWORD, password.constData());
    }
    curl_easy_setopt(pCurl, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(pCurl, CURLOPT_MAIL_RCPT, pTo);
    curl_easy_setopt(pCurl, CURLOPT_READFUNCTION, &readMessage);
    curl_easy_setopt(pCurl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(pCurl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(pCurl, CURLOPT_HEADERFUNCTION, &replyLine);
    curl_easy_setopt(pCurl, CURLOPT_HEADERDATA, &last);
    curl_easy_setopt(pCurl, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(pCurl, CURLOPT_CONNECTTIMEOUT, ConnectSeconds);
    curl_easy_setopt(pCurl, CURLOPT_TIMEOUT, MailSeconds);
    curl_easy_setopt(pCurl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(pCurl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(pCurl, CURLOPT_XFERINFOFUNCTION, &progress);
    curl_easy_setopt(pCurl, CURLOPT_XFERINFODATA, &m_bStop);

    const CURLcode eResult = curl_easy_perform(pCurl);
    long nCode = 0;
    curl_easy_getinfo(pCurl, CURLINFO_RESPONSE_CODE, &nCode);
    sent.nCode = int(nCode);
    sent.bOk = eResult == CURLE_OK;
    if (sent.bOk) {
        sent.strAnswer = QString::fromUtf8(last);
    } else {
        sent.strAnswer = QString::fromUtf8(error[0] ? error : curl_easy_strerror(eResult));
        if (!last.isEmpty())
            sent.strAnswer += QStringLiteral(" (") + QString::fromUtf8(last) + QLatin1Char(')');
        // A permanent refusal of the mail itself; a refused log-in (530,
        // 535) or a server that is down is tried again.
        sent.bRefused = nCode >= 500 && nCode != 530 && nCode != 535
            && eResult != CURLE_LOGIN_DENIED && eResult != CURLE_COULDNT_CONNECT;
    }
    curl_slist_free_all(pTo);
    curl_easy_cleanup(pCurl);
    emit Sent(sent);
}

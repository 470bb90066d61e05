#include "foundation/net/http_helpers.h"

#include <curl/curl.h>

#include <QElapsedTimer>
#include <QFile>
#include <QStringDecoder>
#include <mutex>

#include "platform/ansi_codec.h"

namespace qel {

namespace {

void EnsureCurlInitialised() {
    // curl_global_init is not thread-safe; the helpers run on any thread.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// What the callbacks of one transfer share; all of them run on the calling thread.
struct Transfer {
    const HttpRequestSettings* Settings = nullptr;
    HttpResult* Result = nullptr;
    QElapsedTimer SinceActivity;
    curl_off_t LastProgress = -1;
    QString AbortMessage;
};

size_t OnHeader(char* aData, size_t aSize, size_t aCount, void* aTransfer) {
    auto& transfer = *static_cast<Transfer*>(aTransfer);
    const size_t size = aSize * aCount;
    transfer.SinceActivity.restart();
    const QByteArray line = QByteArray(aData, static_cast<qsizetype>(size)).trimmed();
    HttpResult& result = *transfer.Result;
    if (line.startsWith("HTTP/")) {
        // A new response begins (after a challenge, a redirect or "100 Continue"): only the
        // last one counts.
        result.StatusLine = line;
        result.ContentType.clear();
        result.Body.clear();
        const qsizetype firstSpace = line.indexOf(' ');
        const qsizetype secondSpace = firstSpace < 0 ? -1 : line.indexOf(' ', firstSpace + 1);
        result.StatusCode =
            firstSpace < 0 ? 0 : line.mid(firstSpace + 1, secondSpace - firstSpace - 1).toInt();
        result.ReasonPhrase = secondSpace < 0 ? QByteArray() : line.mid(secondSpace + 1);
    } else {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 &&
            line.left(colon).trimmed().compare("content-type", Qt::CaseInsensitive) == 0) {
            result.ContentType = line.mid(colon + 1).trimmed();
        }
    }
    return size;
}

size_t OnData(char* aData, size_t aSize, size_t aCount, void* aTransfer) {
    auto& transfer = *static_cast<Transfer*>(aTransfer);
    const size_t size = aSize * aCount;
    transfer.SinceActivity.restart();
    if (transfer.Settings->OnBody) {
        if (!transfer.Settings->OnBody(aData, size)) {
            if (transfer.AbortMessage.isEmpty()) {
                transfer.AbortMessage = QStringLiteral("The response body could not be stored");
            }
            return 0;
        }
        return size;
    }
    HttpResult& result = *transfer.Result;
    if (static_cast<qsizetype>(size) > kMaxHttpResponseBytes - result.Body.size()) {
        transfer.AbortMessage =
            QStringLiteral("Response larger than %1 bytes").arg(kMaxHttpResponseBytes);
        return 0;
    }
    result.Body.append(aData, static_cast<qsizetype>(size));
    return size;
}

int OnProgress(void* aTransfer, curl_off_t aDownloadTotal, curl_off_t aDownloaded,
               curl_off_t aUploadTotal, curl_off_t anUploaded) {
    auto& transfer = *static_cast<Transfer*>(aTransfer);
    const curl_off_t progress = aDownloaded + anUploaded;
    if (progress != transfer.LastProgress) {
        transfer.LastProgress = progress;
        transfer.SinceActivity.restart();
        return 0;
    }
    if (transfer.SinceActivity.elapsed() > transfer.Settings->ResponseTimeoutMs) {
        transfer.AbortMessage =
            QStringLiteral("Operation timed out: no data from the server for %1 ms")
                .arg(transfer.Settings->ResponseTimeoutMs);
        return 1;
    }
    return 0;
}

}  // namespace

HttpResult PerformHttpRequest(const HttpRequestSettings& aSettings) {
    EnsureCurlInitialised();
    HttpResult result;
    CURL* curl = curl_easy_init();
    if (!curl) {
        result.ErrorMessage = QStringLiteral("The HTTP client could not be created");
        return result;
    }
    Transfer transfer;
    transfer.Settings = &aSettings;
    transfer.Result = &result;

    char errorBuffer[CURL_ERROR_SIZE] = {};
    const QByteArray url = aSettings.URL.toUtf8();
    const QByteArray userName = aSettings.UserName.toUtf8();
    const QByteArray password = aSettings.Password.toUtf8();
    curl_slist* headers = nullptr;
    // curl would otherwise wait for "100 Continue" before sending a larger body.
    headers = curl_slist_append(headers, "Expect:");
    for (QString header : aSettings.Headers) {
        // A line break inside a value would start a header of the caller's making.
        header.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
        headers = curl_slist_append(headers, header.toUtf8().constData());
    }

    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // A proxy of the environment never serves this machine's own addresses.
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(aSettings.ConnectTimeoutMs));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    if (aSettings.FollowRedirects) {
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    }
    if (aSettings.HasBody) {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(aSettings.Body.size()));
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, aSettings.Body.constData());
    }
    if (aSettings.Method != "GET" && aSettings.Method != "POST") {
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, aSettings.Method.constData());
    }
    if (!aSettings.UserName.isEmpty() && !aSettings.Password.isEmpty()) {
        // More than one scheme makes curl wait for the server's challenge.
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_BASIC | CURLAUTH_DIGEST);
        curl_easy_setopt(curl, CURLOPT_USERNAME, userName.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    }

    transfer.SinceActivity.start();
    const CURLcode code = curl_easy_perform(curl);
    if (code == CURLE_OK) {
        result.Completed = true;
    } else {
        if (!transfer.AbortMessage.isEmpty()) {
            result.ErrorMessage = transfer.AbortMessage;
        } else if (errorBuffer[0] != '\0') {
            result.ErrorMessage = QString::fromUtf8(errorBuffer).trimmed();
        } else {
            result.ErrorMessage = QString::fromUtf8(curl_easy_strerror(code));
        }
        result.Body.clear();
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return result;
}

QByteArray JsonRequestBody(const QString& aJson) {
    QString oneLine = aJson;
    oneLine.remove(QLatin1Char('\r'));
    oneLine.remove(QLatin1Char('\n'));
    return oneLine.toUtf8();
}

QString HttpBodyText(const QByteArray& aBody, const QByteArray& aContentType) {
    QByteArray charset;
    for (const QByteArray& parameter : aContentType.split(';')) {
        const QByteArray trimmed = parameter.trimmed();
        if (trimmed.toLower().startsWith("charset=")) {
            charset = trimmed.mid(8).trimmed().toLower();
            if (charset.size() >= 2 && charset.startsWith('"') && charset.endsWith('"')) {
                charset = charset.mid(1, charset.size() - 2);
            }
        }
    }
    if (charset == "windows-1252" || charset == "cp1252") {
        return FromWindows1252(aBody);
    }
    if (charset == "iso-8859-1" || charset == "latin1" || charset == "us-ascii") {
        return QString::fromLatin1(aBody);
    }
    if (!charset.isEmpty() && charset != "utf-8" && charset != "utf8") {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid()) {
            return decoder.decode(aBody);
        }
    }
    return QString::fromUtf8(aBody);
}

}  // namespace qel

namespace {

// Time-outs of the requests, as their callers were tuned against.
constexpr int kGetToFileConnectMs = 100;
constexpr int kGetConnectMs = 1000;
constexpr int kPutConnectMs = 100;
constexpr int kPostConnectMs = 250;
constexpr int kSignatureConnectMs = 100;
constexpr int kResponseMs = 5000;
constexpr int kSignatureResponseMs = 15000;

QString ErrorPrefix() {
    return QStringLiteral("Error on request: \r\n");
}

qel::HttpRequestSettings JsonRequest(const QByteArray& aMethod, const QString& aURL,
                                     const QString& aJson, int aConnectTimeoutMs) {
    qel::HttpRequestSettings settings;
    settings.Method = aMethod;
    settings.URL = aURL;
    settings.HasBody = true;
    settings.Body = qel::JsonRequestBody(aJson);
    settings.Headers = {QStringLiteral("Content-Type: application/json")};
    settings.FollowRedirects = true;
    settings.ConnectTimeoutMs = aConnectTimeoutMs;
    settings.ResponseTimeoutMs = kResponseMs;
    return settings;
}

void TakeTextResult(const qel::HttpResult& aResult, QString& aErrorText, QString& aResponseText) {
    if (aResult.Completed) {
        aResponseText = qel::HttpBodyText(aResult.Body, aResult.ContentType);
    } else {
        aErrorText = ErrorPrefix() + aResult.ErrorMessage;
    }
}

}  // namespace

void HttpGetToFile(const QString& aURL, const QString& aFileName, QString& aErrorText,
                   QString& aStatusText) {
    aErrorText.clear();
    aStatusText.clear();
    QFile file(aFileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        aErrorText =
            ErrorPrefix() +
            QStringLiteral("Cannot create file \"%1\". %2").arg(aFileName, file.errorString());
        return;
    }
    qel::HttpRequestSettings settings;
    settings.URL = aURL;
    settings.FollowRedirects = true;
    settings.ConnectTimeoutMs = kGetToFileConnectMs;
    settings.ResponseTimeoutMs = kResponseMs;
    settings.OnBody = [&file](const char* aData, size_t aSize) {
        return file.write(aData, static_cast<qint64>(aSize)) == static_cast<qint64>(aSize);
    };
    const qel::HttpResult result = qel::PerformHttpRequest(settings);
    file.close();
    if (result.Completed) {
        aStatusText = QString::fromLatin1(result.ReasonPhrase);
    } else {
        aErrorText = ErrorPrefix() + result.ErrorMessage;
    }
}

void HttpGet(const QString& aURL, QString& aErrorText, QString& aResponseText) {
    aErrorText.clear();
    aResponseText.clear();
    qel::HttpRequestSettings settings;
    settings.URL = aURL;
    settings.ConnectTimeoutMs = kGetConnectMs;
    settings.ResponseTimeoutMs = kResponseMs;
    const qel::HttpResult result = qel::PerformHttpRequest(settings);
    if (!result.Completed) {
        aErrorText = ErrorPrefix() + result.ErrorMessage;
    } else if (result.StatusCode >= 400) {
        // Callers take any answer without an error text as a valid document.
        aErrorText = ErrorPrefix() + QString::fromLatin1(result.StatusLine);
    } else {
        aResponseText = qel::HttpBodyText(result.Body, result.ContentType);
    }
}

void HttpPutJson(const QString& aURL, const QString& aJson, QString& aErrorText,
                 QString& aResponseText) {
    aErrorText.clear();
    aResponseText.clear();
    TakeTextResult(qel::PerformHttpRequest(JsonRequest("PUT", aURL, aJson, kPutConnectMs)),
                   aErrorText, aResponseText);
}

void HttpPostJson(const QString& aURL, const QString& aJson, QString& aErrorText,
                  const QString& aUserName, const QString& aPassword, QString& aResponseText) {
    aErrorText.clear();
    aResponseText.clear();
    qel::HttpRequestSettings settings = JsonRequest("POST", aURL, aJson, kPostConnectMs);
    if (!aUserName.isEmpty() && !aPassword.isEmpty()) {
        settings.UserName = aUserName;
        settings.Password = aPassword;
    }
    const qel::HttpResult result = qel::PerformHttpRequest(settings);
    if (result.Completed) {
        aResponseText = qel::HttpBodyText(result.Body, result.ContentType);
    } else {
        aErrorText = QStringLiteral("Error on request:") + aJson + QStringLiteral("\r\n") +
                     result.ErrorMessage;
    }
}

void HttpPostWithSharedAccessSignature(const QString& aURL, const QString& aJson,
                                       QString& aErrorText, const QString& aSignature,
                                       const QString& aResource, const QString& aKeyName,
                                       const QString& aExpiry, QString& aResponseText) {
    aErrorText.clear();
    aResponseText.clear();
    qel::HttpRequestSettings settings = JsonRequest("POST", aURL, aJson, kSignatureConnectMs);
    settings.ResponseTimeoutMs = kSignatureResponseMs;
    settings.Headers = {
        QStringLiteral("Content-Type: application/atom+xml;type=entry;charset=utf-8"),
        QStringLiteral("Authorization: SharedAccessSignature sr=") + aResource +
            QStringLiteral("&sig=") + aSignature + QStringLiteral("&se=") + aExpiry +
            QStringLiteral("&skn=") + aKeyName};
    TakeTextResult(qel::PerformHttpRequest(settings), aErrorText, aResponseText);
}

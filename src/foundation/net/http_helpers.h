#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

// One-shot HTTP(S) requests. Each call creates its own client and blocks its thread until the
// answer is in or a time-out passes, so callers run them in pool tasks or feed threads; any
// thread may call them. None of them raises: a failed request leaves the error text
// "Error on request: \r\n" followed by the client's message. A response with an error status
// is no failure (its body comes back), except for HttpGet.

// GET of the URL into the file, which is created (replacing an existing one) before the request
// and stays, possibly empty or partial, when the request fails. aStatusText is the reason phrase.
void HttpGetToFile(const QString& aURL, const QString& aFileName, QString& aErrorText,
                   QString& aStatusText);

// GET of the URL; the body as text. A status of 400 or above is a failure whose message is the
// response's status line; aResponseText stays empty then.
void HttpGet(const QString& aURL, QString& aErrorText, QString& aResponseText);

// PUT of the JSON (sent as one line, UTF-8).
void HttpPutJson(const QString& aURL, const QString& aJson, QString& aErrorText,
                 QString& aResponseText);

// POST of the JSON (sent as one line, UTF-8). With both a user name and a password the client
// answers an authentication challenge with them; it never sends them unasked.
void HttpPostJson(const QString& aURL, const QString& aJson, QString& aErrorText,
                  const QString& aUserName, const QString& aPassword, QString& aResponseText);

// POST of the JSON with the header "Authorization: SharedAccessSignature sr=<resource>&
// sig=<signature>&se=<expiry>&skn=<key name>", the values as given (the caller encodes them).
void HttpPostWithSharedAccessSignature(const QString& aURL, const QString& aJson,
                                       QString& aErrorText, const QString& aSignature,
                                       const QString& aResource, const QString& aKeyName,
                                       const QString& aExpiry, QString& aResponseText);

namespace qel {

// Responses collected in memory are refused beyond this size, so that a broken or hostile
// server cannot make us allocate without bound.
constexpr qsizetype kMaxHttpResponseBytes = 32 * 1024 * 1024;

struct HttpRequestSettings {
    QByteArray Method = "GET";
    QString URL;
    bool HasBody = false;
    QByteArray Body;
    QStringList Headers;  // "Name: value"
    // Answered to an authentication challenge (basic or digest), never sent unasked.
    QString UserName;
    QString Password;
    bool FollowRedirects = false;
    int ConnectTimeoutMs = 1000;
    // The longest wait for the next data from the server once the request is under way.
    int ResponseTimeoutMs = 5000;
    // Receives the final response's body as it arrives; returning false aborts the request.
    // Without it the body is collected into HttpResult::Body.
    std::function<bool(const char* aData, size_t aSize)> OnBody;
};

struct HttpResult {
    bool Completed = false;  // a response was received, whatever its status
    QString ErrorMessage;    // the client's message when not Completed
    int StatusCode = 0;
    QByteArray StatusLine;  // "HTTP/1.1 404 Not Found"
    QByteArray ReasonPhrase;
    QByteArray ContentType;
    QByteArray Body;
};

// Runs one request on the calling thread. Never raises.
HttpResult PerformHttpRequest(const HttpRequestSettings& aSettings);

// The JSON as it goes out: line breaks removed (the lines are joined), encoded as UTF-8.
QByteArray JsonRequestBody(const QString& aJson);

// The body decoded by the charset of the content type; UTF-8 when none is named.
QString HttpBodyText(const QByteArray& aBody, const QByteArray& aContentType);

}  // namespace qel

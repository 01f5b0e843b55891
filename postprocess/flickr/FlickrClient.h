#pragma once
// The photo-sharing service's signed REST calls: the two-step browser sign-in (a frob, the user's
// approval in the browser, a token for the frob) and photo uploads with that token. Every call is
// signed with the application's shared secret. One object per sign-in or per upload run; it is
// not shared between threads.
//
// The calls are those of the service's original sign-in protocol over plain HTTP, which the live
// service no longer accepts: against it every call fails with the service's own error.

#include "postprocess/flickr/RestRequest.h"

#include <functional>
#include <string>

// The application's registration with the service. Placeholders of our own: no real
// registration is built in.
extern const char16_t kFlickrApiKey[];       // 32 lower-case hexadecimal digits
extern const char16_t kFlickrSharedSecret[]; // 16 lower-case hexadecimal digits, never sent
extern const char16_t kFlickrHost[];

// Where the client sends its calls unless told otherwise: "host:port" in this environment
// variable replaces the service's host and port 80 (a stand-in of the service, for tests).
constexpr char kFlickrEndpointVariable[] = "VORNALT_FLICKR_ENDPOINT";

// Opens the authorization address for the user (the desktop's browser by default); true when it
// was handed over. Tests install their own.
using AuthorizationPageOpener = std::function<bool(const std::u16string& address)>;
// Installs `opener` (empty restores the desktop's) and returns the one it replaces (empty when
// that was the desktop's).
AuthorizationPageOpener SetAuthorizationPageOpener(AuthorizationPageOpener opener);

class FlickrClient : public CRestRequest {
public:
    FlickrClient();

    // Each is true when the service gave the value asked for; on false GetErrorText says why.
    bool GetFrob();
    // Signs "api_key", "perms" = "write" and the frob and opens the address built of them.
    bool OpenAuthorizationPage();
    // Needs the frob of GetFrob on this object, approved by the user meanwhile.
    bool GetToken();
    // Success only when the service answers that it took the photo; writes one log line
    // either way.
    bool UploadPhoto(std::u16string_view path, std::u16string_view tags, int isPublic, int isFriend, int isFamily,
        int contentType, int hidden);

    // The upper-case hexadecimal MD5 of the secret followed by every field's name and value in
    // list order; stored and returned. File parts and "api_sig" are never signed.
    std::u16string SignRequest();
    // "http://" host (":" port when not 80) "/services/auth/?" and the fields in list order, each
    // name and value percent-encoded.
    std::u16string BuildAuthorizationUrl() const;

    std::u16string GetAuthToken() const { return m_authToken; }
    void SetAuthToken(std::u16string_view token) { m_authToken = token; }
    std::u16string GetUserName() const { return m_userName; }
    std::u16string GetFullName() const { return m_fullName; }
    std::u16string GetUserId() const { return m_userId; }
    std::u16string GetFrobText() const { return m_frob; }
    std::u16string GetSignature() const { return m_signature; }

    // The service's host and port (the environment's endpoint when it names one).
    void SetEndpoint(std::u16string_view host, int port);
    const std::u16string& GetHost() const { return m_host; }
    int GetPort() const { return m_port; }

private:
    // Signs the fields, adds "api_sig" and sends a GET to the REST path; 0 or the builder's code.
    int SendSignedCall();
    // For a reply that lacks `expected`: the service's error (or the reply itself) as error text.
    void ExplainMissingValue(std::u16string_view expected);

    std::u16string m_frob;
    std::u16string m_signature;
    std::u16string m_apiKey;
    std::u16string m_sharedSecret;
    std::u16string m_authToken;
    std::u16string m_host;
    std::u16string m_restPath;
    std::u16string m_servicesPath;
    std::u16string m_userId;
    std::u16string m_userName;
    std::u16string m_fullName;
    int m_port = kHttpPort;
};

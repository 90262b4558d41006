#pragma once

// Why a conversation with a calendar server came to nothing, in the words
// the account dialog and the balloons will need.
enum class CalDavProblem {
    None,
    BadAddress,   // not an http or https address
    Insecure,     // the password would cross the network unencrypted: nothing was sent
    Network,      // no connection, or it broke
    TimedOut,
    Tls,          // the secure connection failed
    UntrustedCertificate, // a certificate the system does not trust, and not the one the user trusted
    TooLarge,     // an answer beyond what a calendar client reads
    Refused,      // 401 or 403: the user name or the password
    ServerError,  // 5xx
    Unexpected,   // an answer the protocol does not allow here, or a redirect loop
    NoCalendars,  // the server answered, but offers this user no calendar service
};

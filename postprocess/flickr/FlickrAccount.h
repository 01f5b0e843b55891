#pragma once
// An account of the photo-sharing service known to the application: the token that lets it
// upload there, and the user's names and id for display. Stored as its account text, the four
// fields as elements one after the other.

#include <string>
#include <string_view>

class CFlickrAccount {
public:
    // "<authkey>..</authkey><username>..</username><fullname>..</fullname><nsid>..</nsid>", the
    // values escaped so that any text reads back as it was.
    std::u16string ToXml() const;
    // Fills each field whose element the text has; a missing element, or text that is not XML,
    // leaves the field as it was. Always true.
    bool FromXml(std::u16string_view text);

    std::u16string authkey;
    std::u16string username;
    std::u16string fullname;
    std::u16string nsid;
};

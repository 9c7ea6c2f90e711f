// The listing of a mailname's autoresponder attachments, one line per file
// on standard output: its name (or full path) and its size.
#ifndef QUARN_MAIL_LIB_FILES_ATTACHMENTS_LIST_H
#define QUARN_MAIL_LIB_FILES_ATTACHMENTS_LIST_H

/// Prints "<name>\t<size>\n" for every entry of the attachments directory
/// of mailname@domain that is not a directory, in directory order. The
/// size is the allocated size (512-byte blocks x 512) with sizeInBlocks,
/// else the length; the name is the full path with fullPath. Links are
/// never followed: a link is listed with its own size. 0, or -1 after a
/// message; a domain that cannot be converted or an empty mailname ends
/// the program (status 1).
int list_attachments(const char* mailname, const char* domain, int sizeInBlocks, int fullPath);

/// list_attachments for every mailname directory of the domain; their
/// results are ignored, so a mailname without attachments directory gives
/// its message and the listing goes on. 0, or -1 after a message.
int list_all_attachments(const char* domain, int sizeInBlocks, int fullPath);

#endif

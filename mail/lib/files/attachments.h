// Adding and removing the autoresponder attachments of a mailname, files
// in "<home>/@attachments" in popuser's tree.
#ifndef QUARN_MAIL_LIB_FILES_ATTACHMENTS_H
#define QUARN_MAIL_LIB_FILES_ATTACHMENTS_H

/// Copies `sourceFile` (a regular file with one link, not a link itself)
/// to the attachment `attachmentName` of mailname@domain: a new file in
/// the attachments directory, owned by popuser with mode 0644, renamed
/// over whatever had that name. The attachments directory must exist.
/// 0, or -1 after "Unable to copy the attachment file %s to %s\n"; a name
/// that is not one safe path component is refused the same way (EINVAL).
int add_attachment(const char* mailname, const char* domain, const char* sourceFile,
                   const char* attachmentName);

/// Removes the attachment (the entry itself, never what a link points
/// at). A missing file, home or attachments directory is no error. 0, or
/// -1 after "Unable to delete the attachment file %s: %s\n".
int remove_attachment(const char* mailname, const char* domain, const char* attachmentName);

#endif

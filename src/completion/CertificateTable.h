// The certificate table of a signed PE image (PE format, "The Attribute
// Certificate Table"). WinVerifyTrust leaves the table out of the signed
// hash and, unless a registry switch asks for it, does not look at what
// follows the signature inside it: bytes appended there, with the table's
// sizes grown to match, still verify. A program that reads a payload from the
// end of its own file would then run what was appended.
#pragma once

#include <windows.h>

// Tells whether the PE image in the open `file` carries exactly one signature
// and nothing beside it: the security directory names one WIN_CERTIFICATE
// (revision 2.0, PKCS signed data) that ends exactly at the end of the file;
// its dwLength is 8 plus the DER length of the PKCS#7 blob it holds, or that
// rounded up to 8 (signing tools write either); the directory's size is the
// rounded length; the bytes rounding it up are zero. False for anything else,
// a file that is no PE image or carries no signature included. Reads through
// the handle, so the bytes judged are those of that open file.
bool CertificateTableIsWhole(HANDLE file);

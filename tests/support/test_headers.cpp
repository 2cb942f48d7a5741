// Anchor of a test folder's precompiled headers: the header image is
// made beside this empty file and reused by the folder's test programs.

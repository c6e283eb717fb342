// The data folder, when the installer makes it, is protected as Program Files
// is: an ordinary user can read and run what is in it but change nothing, so
// nobody can swap a program or plant a link there for an administrator to
// run or follow later.
#pragma once

// The access list a new data folder gets: owner Administrators; full control
// for Administrators and SYSTEM, read and execute for Users, all inherited
// by what is made inside; the parent's list is not inherited.
constexpr char kDataFolderSecurity[] = "O:BAD:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;GRGX;;;BU)";

// Makes `path` (one level) with that list. True when it was made. A folder
// that exists already is left as it is (false, as CreateDirectory says).
bool CreateProtectedFolder(const char* path);

/* Callers use fixed vtable slots: the build fails when the declaration moves one. */
#define CINTERFACE
#include <stddef.h>
#include "lark_ftp_automation.h"

#define LARK_SLOT(n, m) _Static_assert(offsetof(ILark_FTP_AutomationVtbl, m) == (n) * sizeof(void*), #m " must be slot " #n)

LARK_SLOT(7, OpenSession);
LARK_SLOT(8, Reserved8);
LARK_SLOT(9, ListDirectory);
LARK_SLOT(10, RenameRemoteObject);
LARK_SLOT(11, DeleteRemoteFile);
LARK_SLOT(12, DeleteRemoteDirectory);
LARK_SLOT(13, AddProfileFolder);
LARK_SLOT(14, DeleteProfileFolder);
LARK_SLOT(15, RenameProfileFolder);
LARK_SLOT(16, AddProfile);
LARK_SLOT(17, RenameProfile);
LARK_SLOT(18, DeleteProfile);
LARK_SLOT(19, Reserved19);
LARK_SLOT(20, Reserved20);
LARK_SLOT(21, Reserved21);
LARK_SLOT(22, Reserved22);
LARK_SLOT(23, Reserved23);
LARK_SLOT(24, Reserved24);
LARK_SLOT(25, DownloadDirectory);
LARK_SLOT(26, UploadDirectory);
LARK_SLOT(27, CopyRemoteFile);
LARK_SLOT(28, MakeRemoteDirectory);
LARK_SLOT(29, SelectProfile);
LARK_SLOT(30, SetAutomationMode);
LARK_SLOT(31, Reserved31);
LARK_SLOT(32, StartGetFile);
LARK_SLOT(33, StartPutFile);
LARK_SLOT(34, StartGetFolder);
LARK_SLOT(35, StartPutFolder);
LARK_SLOT(36, Reserved36);
LARK_SLOT(37, ModifyProfile);
LARK_SLOT(38, Reserved38);
LARK_SLOT(39, Reserved39);
LARK_SLOT(40, DownloadFile);
LARK_SLOT(41, UploadFile);
LARK_SLOT(42, SetAttributes);
LARK_SLOT(43, OpenRemoteFile);
_Static_assert(sizeof(ILark_FTP_AutomationVtbl) == 44 * sizeof(void*), "slot 43 is the last");

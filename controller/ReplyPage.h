// The reply page of a run, for a /COMMAND request answered at once and for a transaction answered
// when its devices are done.
#pragma once

#include "platform/core/CString.h"

class CSession;
class CTemplateHandler;

// The page after a run: SYSNEXTPAGE when set (it becomes SYSCURPAGE, the old one SYSPREVPAGE), else
// SYSCURPAGE again; rendered into `body`. 200, 204 when no page is set, 404 for an unknown page.
int RenderReplyPage(CTemplateHandler& templates, CSession* session, CString& body);

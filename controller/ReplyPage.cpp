#include "controller/ReplyPage.h"

#include "controller/LogText.h"
#include "controller/TemplateHandler.h"
#include "netlib/Sessions.h"

int RenderReplyPage(CTemplateHandler& templates, CSession* session, CString& body) {
  CString page = session->GetVariableText("SYSNEXTPAGE");
  if (!page.IsEmpty()) {
    session->SetVariable("SYSPREVPAGE", "SYSCURPAGE");
    session->SetStringVariable("SYSCURPAGE", page);
  } else {
    page = session->GetVariableText("SYSCURPAGE");
  }
  body.Empty();
  if (page.IsEmpty()) return 204;
  page = UpperAscii(page);
  if (templates.RenderPage(page, body, session) < 0) {
    body.Empty();
    return 404;
  }
  return 200;
}

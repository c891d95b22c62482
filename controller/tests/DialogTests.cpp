// The status dialog's request routing without a window: a request without a session is refused.
#include <gtest/gtest.h>

#include "controller/MainApp.h"
#include "controller/MainDlg.h"
#include "platform/core/testing/TestSandbox.h"

namespace {

TEST(MainDialog, RequestsWithoutASessionAreRefused) {
  qh::testing::TestSandbox sandbox;
  CMainApp app;
  CMainDlg dialog(app);
  for (DWORD method : {HTTP_METHOD_GET, HTTP_METHOD_POST}) {
    CHttpResponse request;
    request.m_methodCode = method;
    request.m_url = method == HTTP_METHOD_GET ? "/USER/DEFAULT.HTM" : "/COMMAND";
    request.m_sessionIsNew = true;
    EXPECT_EQ(dialog.DispatchRequest(request), 500) << request.m_url.GetString();
  }
  CHttpResponse put;
  put.m_methodCode = HTTP_METHOD_PUT;
  put.m_session = std::make_shared<CSession>();
  EXPECT_EQ(dialog.DispatchRequest(put), 500) << "only GET and POST are served";
}

}  // namespace

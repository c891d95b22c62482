// The log writer as the jukebox reaches it: registered in the registry store, created through the COM
// runtime by class id or program id, called through its interface table and through IDispatch.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include "logwriter/DailyLogFile.h"
#include "logwriter/ITSLLogWriter.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComRegistryKeys.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/Variant.h"
#include "platform/core/testing/TestSandbox.h"

namespace {

class QuillmarkCom : public ::testing::Test {
 protected:
  void SetUp() override {
    // The module carries its own copy of the platform core, which reads the drive table once, when it
    // is loaded: every drive a test uses is in the table before then.
    m_sandbox.AddDrive('L', 0x10C0FFEE, "LOGS");
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    ASSERT_EQ(ComRegisterServerModule(QUILLMARK_MODULE, false), S_OK);
  }
  void TearDown() override {
    CoFreeUnusedLibraries();
    CoUninitialize();
  }

  ITSLLogWriter* create() {
    ITSLLogWriter* writer = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_TSLLogWriter, nullptr, CLSCTX_ALL, IID_ITSLLogWriter,
                               reinterpret_cast<void**>(&writer)),
              S_OK);
    return writer;
  }

  std::string todaysFile(const std::string& hostFolder) {
    return qh::testing::ReadHostFile(hostFolder + "/" + DailyLogFile::FileNameFor(std::time(nullptr)));
  }

  qh::testing::TestSandbox m_sandbox;
};

std::string classRoot(const char* subKey) {
  std::string text;
  return ComReadClassesRootText(subKey, &text) ? text : "<missing>";
}

}  // namespace

TEST_F(QuillmarkCom, RegistrationWritesTheProgIdsAndTheClassKey) {
  const std::string clsid = "{1D3C037F-5E8F-49FC-9E4F-A01BE6D1C21D}";
  EXPECT_EQ(classRoot("Quillmark.TSLLogWriter.1"), "TSLLogWriter Class");
  EXPECT_EQ(classRoot("Quillmark.TSLLogWriter.1\\CLSID"), clsid);
  EXPECT_EQ(classRoot("Quillmark.TSLLogWriter\\CLSID"), clsid);
  EXPECT_EQ(classRoot(("CLSID\\" + clsid).c_str()), "TSLLogWriter Class");
  EXPECT_EQ(classRoot(("CLSID\\" + clsid + "\\ProgID").c_str()), "Quillmark.TSLLogWriter.1");
  EXPECT_EQ(classRoot(("CLSID\\" + clsid + "\\VersionIndependentProgID").c_str()), "Quillmark.TSLLogWriter");
  EXPECT_EQ(std::filesystem::path(classRoot(("CLSID\\" + clsid + "\\InprocServer32").c_str())).filename(),
            "Quillmark.so");
  EXPECT_EQ(classRoot("TypeLib\\{D6FCD165-280F-4476-B933-4AF34B6A0D69}\\1.0"), "Quillmark 1.0 Type Library");
}

TEST_F(QuillmarkCom, CreatedByProgIdItWritesTheDaysLogFile) {
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID("Quillmark.TSLLogWriter.1", &clsid), S_OK);
  EXPECT_TRUE(clsid == CLSID_TSLLogWriter);
  ITSLLogWriter* writer = create();
  ASSERT_NE(writer, nullptr);
  ScopedVariant folder("L:\\");
  EXPECT_EQ(writer->SetLogFolder(folder.get()), S_OK);
  ScopedVariant level("E"), source("Main"), text("Caf\xE9 closed");
  EXPECT_EQ(writer->WriteString(level.get(), source.get(), text.get()), S_OK);
  EXPECT_EQ(writer->CloseLog(), S_OK);
  const std::string content = todaysFile(m_sandbox.DriveFolder('L'));
  ASSERT_GT(content.size(), 8u);
  EXPECT_EQ(content.substr(6, 2), ": ");  // "HHMMSS: "
  EXPECT_EQ(content.substr(8), "[E][Main] Caf\xE9 closed\r\n");
  writer->Release();
}

TEST_F(QuillmarkCom, ArgumentsOfTheWrongTypeAreRefused) {
  ITSLLogWriter* writer = create();
  ASSERT_NE(writer, nullptr);
  ScopedVariant number(LONG{3});
  ScopedVariant text("x");
  VARIANT shortValue;
  VariantInit(&shortValue);
  shortValue.vt = VT_I2;
  shortValue.iVal = 10;
  EXPECT_EQ(writer->SetLogFolder(number.get()), E_INVALIDARG);
  EXPECT_EQ(writer->SetMaxRecords(shortValue), E_INVALIDARG);
  EXPECT_EQ(writer->SetMaxRecords(text.get()), E_INVALIDARG);
  EXPECT_EQ(writer->WriteString(text.get(), number.get(), text.get()), E_INVALIDARG);
  EXPECT_EQ(writer->WriteString(text.get(), text.get(), number.get()), E_INVALIDARG);

  ISupportErrorInfo* errorInfo = nullptr;
  ASSERT_EQ(writer->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&errorInfo)), S_OK);
  EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_ITSLLogWriter), S_OK);
  EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
  errorInfo->Release();
  writer->Release();
}

TEST_F(QuillmarkCom, TheDispatchInterfaceCallsTheSameMethods) {
  IDispatch* dispatch = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_TSLLogWriter, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(&dispatch)),
            S_OK);
  const std::string folder = m_sandbox.HostPath("C");
  char16_t name[] = u"writestring";
  LPOLESTR names[] = {name};
  DISPID id = 0;
  ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
  EXPECT_EQ(id, DISPID_WriteString);

  ScopedVariant folderArg(folder.c_str());
  DISPPARAMS one{&folderArg.get(), nullptr, 1, 0};
  EXPECT_EQ(dispatch->Invoke(DISPID_SetLogFolder, IID_NULL, 0, DISPATCH_METHOD, &one, nullptr, nullptr, nullptr), S_OK);
  VARIANT args[3];  // last argument first
  for (auto& a : args) VariantInit(&a);
  args[0].vt = args[1].vt = args[2].vt = VT_BSTR;
  args[0].bstrVal = AnsiToBstr("through dispatch");
  args[1].bstrVal = AnsiToBstr("WebServer");
  args[2].bstrVal = AnsiToBstr("W");
  DISPPARAMS three{args, nullptr, 3, 0};
  EXPECT_EQ(dispatch->Invoke(DISPID_WriteString, IID_NULL, 0, DISPATCH_METHOD, &three, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(dispatch->Invoke(DISPID_WriteString, IID_NULL, 0, DISPATCH_METHOD, &one, nullptr, nullptr, nullptr),
            DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(dispatch->Invoke(0x1234, IID_NULL, 0, DISPATCH_METHOD, &one, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  for (auto& a : args) VariantClear(&a);
  dispatch->Release();
  EXPECT_EQ(todaysFile(folder).substr(8), "[W][WebServer] through dispatch\r\n");
}

TEST_F(QuillmarkCom, UnregisteredTheClassCanNoLongerBeCreated) {
  ASSERT_EQ(ComRegisterServerModule(QUILLMARK_MODULE, true), S_OK);
  IUnknown* object = nullptr;
  EXPECT_EQ(CoCreateInstance(CLSID_TSLLogWriter, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&object)),
            REGDB_E_CLASSNOTREG);
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID("Quillmark.TSLLogWriter.1", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(classRoot("TypeLib\\{D6FCD165-280F-4476-B933-4AF34B6A0D69}\\1.0"), "<missing>");
  EXPECT_EQ(classRoot("CLSID\\{1D3C037F-5E8F-49FC-9E4F-A01BE6D1C21D}"), "<missing>");
}

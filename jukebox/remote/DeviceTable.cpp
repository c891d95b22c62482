#include "jukebox/remote/DeviceTable.h"

#include "jukebox/app/services/JukeboxServices.h"
#include "jukebox/remote/DefinitionXml.h"
#include "platform/core/CrtNumbers.h"
#include "platform/core/Paths.h"
#include "platform/xml/XmlDom.h"

struct CDeviceTable::ProjectFields {
  LONG number = 0;
  CString name;
  CString description;
  CString uid;
  CString address;
  LONG port = 0;
  CString connectionParameters;
};

CDeviceTable::ProjectFields CDeviceTable::ReadFields(const IXMLDOMNode& device) {
  ProjectFields fields;
  definition_xml::ForEachChild(device, [&fields](const CString& name, const IXMLDOMNode& child) {
    if (name == "DEVNUM") fields.number = qh_atol(child.text().GetString());
    else if (name == "DEVNAME") fields.name = child.text();
    else if (name == "DEVDESC") fields.description = child.text();
    else if (name == "DEVUID") fields.uid = child.text();
    else if (name == "SVCADDRESS") fields.address = child.text();
    else if (name == "SVCPORT") fields.port = qh_atol(child.text().GetString());
    else if (name == "CONNECTIONPARMS") fields.connectionParameters = child.text();
  });
  return fields;
}

int CDeviceTable::ReadProjectX(const CString& startDirectory) {
  try {
    DOMDocument document;
    const CString path = startDirectory + "\\config\\project.xml";
    if (!document.load(path.GetString())) {
      // Without the file the jukebox simply knows no devices; a file that is there but broken is said.
      if (definition_xml::IsUnreadableDocument(document))
        if (CJukeboxServices* services = JukeboxServices())
          services->WriteErrorLog("E", "Main", "ReadProjectX: " + definition_xml::DescribeLoadFailure(path, document) +
                                                   "; no devices are known.");
      return -2;
    }
    IXMLDOMNodeList devices = document.getElementsByTagName("device");
    for (long i = 0; i < devices.length(); ++i) {
      IXMLDOMNode device = devices.item(i);
      if (!device) return -4;
      Insert(ReadFields(device), startDirectory);
    }
    return 0;
  } catch (...) {
    return -99;
  }
}

void CDeviceTable::Insert(const ProjectFields& fields, const CString& startDirectory) {
  auto description = std::make_unique<CDeviceDescription>();
  description->SetProjectInfo(fields.number, fields.name, fields.description, fields.uid, fields.address, fields.port,
                              fields.connectionParameters);
  const DWORD key = static_cast<DWORD>(fields.number);
  auto [entry, inserted] = m_devices.emplace(key, std::move(description));
  CJukeboxServices* services = JukeboxServices();
  if (!inserted) {
    CString text;
    text.Format("Duplicate device numbers detected (DeviceID %lu). Check your project.xml file.",
                static_cast<unsigned long>(key));
    if (services) services->WriteErrorLog("E", "Main", text);
    return;
  }
  entry->second->SetBaseFolder(startDirectory);
  // The id names a file below "\sysdevices"; one that would reach outside it is not read, and the
  // device keeps its project fields as it does with a missing description file.
  CString checked;
  if (!fields.uid.IsEmpty() && !qh::JoinUnderFolder("sysdevices", (fields.uid + ".xml").GetString(), checked)) {
    if (services)
      services->WriteErrorLog("E", "Main", "ReadProjectX: Device " + fields.name + " names a description file outside "
                                               "sysdevices (" + fields.uid + "); it is not read.");
    return;
  }
  entry->second->Read();
}

CDeviceDescription* CDeviceTable::Find(DWORD deviceNumber) const {
  auto it = m_devices.find(deviceNumber);
  return it == m_devices.end() ? nullptr : it->second.get();
}

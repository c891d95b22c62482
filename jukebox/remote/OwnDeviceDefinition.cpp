#include "jukebox/remote/OwnDeviceDefinition.h"

#include "jukebox/app/services/JukeboxServices.h"
#include "jukebox/remote/DefinitionXml.h"
#include "platform/core/CrtNumbers.h"
#include "platform/xml/XmlDom.h"

using definition_xml::ForEachChild;
using definition_xml::MatchKeyword;

namespace {

void LogOnly(const CString& text) {
  if (CJukeboxServices* services = JukeboxServices()) services->WriteErrorLog("E", "Main", text);
}

// One argument's fields, gathered before anything is stored so that the children may come in any order.
struct ArgumentFields {
  CString name;
  CString description;
  CString direction;
  CString dataType;
  LONG sequence = 0;
};

ArgumentFields ReadArgumentFields(const IXMLDOMNode& argument) {
  ArgumentFields fields;
  ForEachChild(argument, [&fields](const CString& name, const IXMLDOMNode& child) {
    switch (MatchKeyword(name, {"NAME", "DESC", "DIRECTION", "SEQ", "DATATYPE"})) {
      case 0: fields.name = child.text(); break;
      case 1: fields.description = child.text(); break;
      case 2: fields.direction = child.text(); break;
      case 3: fields.sequence = qh_atol(child.text().GetString()); break;
      case 4: fields.dataType = child.text(); break;
      default: break;
    }
  });
  return fields;
}

}  // namespace

CString COwnDeviceDefinition::DefinitionPath(const CString& startDirectory) {
  return startDirectory + "\\sysdevices\\" + kOwnDeviceId + ".xml";
}

int COwnDeviceDefinition::ParseXMLDeviceDef(const CString& startDirectory, int programMajor, int programMinor) {
  const CString path = DefinitionPath(startDirectory);
  try {
    DOMDocument document;
    if (!document.load(path.GetString())) {
      LogOnly("ParseXMLDeviceDef: Error loading device definition " + path);
      return -2;
    }
    CheckVersion(document, programMajor, programMinor);
    IXMLDOMNodeList actions = document.getElementsByTagName("action");
    int stored = 0;
    for (long i = 0; i < actions.length(); ++i) {
      IXMLDOMNode action = actions.item(i);
      if (!action) {
        LogOnly("ParseXMLDeviceDef: Error getting node from device definition");
        return -4;
      }
      stored += ReadAction(action);
    }
    return stored;
  } catch (...) {
    return -99;
  }
}

int COwnDeviceDefinition::CheckVersion(const DOMDocument& document, int programMajor, int programMinor) {
  // The last svcVersion element decides; a file without one reads as version 0.0.
  LONG major = 0, minor = 0;
  IXMLDOMNodeList versions = document.getElementsByTagName("svcVersion");
  for (long i = 0; i < versions.length(); ++i) {
    major = minor = 0;
    ForEachChild(versions.item(i), [&](const CString& name, const IXMLDOMNode& child) {
      switch (MatchKeyword(name, {"MAJOR", "MINOR"})) {
        case 0: major = qh_atol(child.text().GetString()); break;
        case 1: minor = qh_atol(child.text().GetString()); break;
        default: break;
      }
    });
  }
  if (major == programMajor && minor == programMinor) return 0;
  CString text;
  text.Format(
      "ParseXMLDeviceDef: Version mismatch between program and device definition file: Program %d.%d, Device "
      "definition file: %ld.%ld",
      programMajor, programMinor, static_cast<long>(major), static_cast<long>(minor));
  if (CJukeboxServices* services = JukeboxServices()) services->LogEvent("E", "Main", text);
  return 1;
}

// 1 when the action was stored, 0 when it had no name or its name was taken.
int COwnDeviceDefinition::ReadAction(const IXMLDOMNode& action) {
  CString actionName, actionText;
  std::unique_ptr<CActionDescription> description;
  ForEachChild(action, [&](const CString& name, const IXMLDOMNode& child) {
    if (name == "NAME") {
      actionName = child.text();
      if (!description) description = std::make_unique<CActionDescription>();
    } else if (name == "DESC") {
      actionText = child.text();
    } else if (name == "ARGUMENTLIST" && description) {
      // A list before the action's name has nothing to go into yet and is passed over.
      ParseXMLDeviceDefArguments(child, *description);
    }
  });
  if (!description) return 0;
  description->SetInfo(actionName, actionText);
  if (!m_actions.emplace(actionName, std::move(description)).second) {
    LogOnly("Duplicate action names detected (" + actionName + "). Check the device definition file.");
    return 0;
  }
  return 1;
}

int COwnDeviceDefinition::ParseXMLDeviceDefArguments(const IXMLDOMNode& list, CActionDescription& description) {
  try {
    // An argument whose direction word is missing or unknown keeps the direction of the one before it.
    bool input = true;
    ForEachChild(list, [&](const CString&, const IXMLDOMNode& argument) {
      const ArgumentFields fields = ReadArgumentFields(argument);
      if (fields.name.IsEmpty()) return;
      CString direction = fields.direction;
      direction.MakeUpper();
      if (direction.view().starts_with("IN")) input = true;
      else if (direction.view().starts_with("OUT")) input = false;
      auto argumentDescription = std::make_unique<CArgumentDescription>();
      const LONG type = argumentDescription->TypeOfName(fields.dataType);
      argumentDescription->SetInfo(fields.name, fields.description, fields.sequence, input, type);
      description.AddArgument(argumentDescription.release());
    });
  } catch (...) {
    // The arguments read so far stay.
  }
  return 0;
}

CActionDescription* COwnDeviceDefinition::FindActionDescription(const CString& name) const {
  auto it = m_actions.find(name);
  return it == m_actions.end() ? nullptr : it->second.get();
}

# Writes the recorder's dialog templates (every *.dlg of DIR) into a C++ source as texts, so the program
# registers them without looking for resource files at run time.
file(GLOB files ${DIR}/*.dlg)
list(SORT files)
set(body "// Generated from resources/recorder/dialogs by EmbedDialogs.cmake; do not edit.\n")
string(APPEND body "#include \"recorder/RecorderResources.h\"\n\nconst char* const kRecorderDialogTexts[] = {\n")
foreach(file IN LISTS files)
  file(READ ${file} text)
  string(APPEND body "R\"QHDLG(${text})QHDLG\",\n")
endforeach()
string(APPEND body "nullptr};\n")
file(WRITE ${OUT}.tmp "${body}")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)

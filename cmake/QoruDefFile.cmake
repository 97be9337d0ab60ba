# cmake -DEXPORTS=<linker's .def> -DDLL=<DLL name> -DOUTPUT=<.def> -P QoruDefFile.cmake
# The linker's export list lacks the DLL's name, which Microsoft's lib /def
# takes from the LIBRARY line: the shipped .def starts with it.
file(READ ${EXPORTS} exports)
file(WRITE ${OUTPUT} "LIBRARY ${DLL}\n${exports}")

# JNI declarations come from the installed JDK, never from a copy in this tree.
if(DEFINED ENV{JAVA_HOME} AND EXISTS "$ENV{JAVA_HOME}/include/jni.h")
  set(JDK_HOME "$ENV{JAVA_HOME}" CACHE PATH "JDK whose include/ provides jni.h")
else()
  set(JDK_HOME "/usr/lib/jvm/java-17-openjdk-amd64" CACHE PATH "JDK whose include/ provides jni.h")
endif()
if(NOT EXISTS "${JDK_HOME}/include/jni.h")
  message(FATAL_ERROR "jni.h not found below ${JDK_HOME}/include; set JAVA_HOME")
endif()

add_library(jni_headers INTERFACE)
if(WIN32)
  # The cross build takes jni.h from the host JDK and its own jni_md.h for Win64.
  target_include_directories(jni_headers SYSTEM INTERFACE
    "${CMAKE_SOURCE_DIR}/cmake/jni-win64" "${JDK_HOME}/include")
else()
  target_include_directories(jni_headers SYSTEM INTERFACE
    "${JDK_HOME}/include" "${JDK_HOME}/include/linux")
endif()

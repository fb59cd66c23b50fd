# Warnings for every build, errors only with WENDEX_WERROR (CI and the test
# command), so that a newer compiler never breaks a user's plain build; the
# sanitizers with WENDEX_SANITIZE, ThreadSanitizer with WENDEX_TSAN.
if(MSVC)
  add_compile_options(/W4 /permissive-)
  if(WENDEX_WERROR)
    add_compile_options(/WX)
  endif()
else()
  add_compile_options(-Wall -Wextra -Wpedantic)
  if(WENDEX_WERROR)
    add_compile_options(-Werror)
  endif()
endif()
if(WENDEX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  # g++ 12's flow analysis gives false maybe-uninitialized reports inside
  # std::regex and std::function once the sanitizers instrument them.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(-Wno-maybe-uninitialized)
  endif()
  add_link_options(-fsanitize=address,undefined)
endif()
if(WENDEX_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

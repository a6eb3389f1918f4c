# Helpers shared by the stage scripts (sourced, not run).

# Ninja when it is there, else Unix Makefiles.
cmake_generator() {
  if command -v ninja > /dev/null 2>&1; then
    echo Ninja
  else
    echo "Unix Makefiles"
  fi
}

# Parallel jobs: JOBS when set, else the number of processors.
build_jobs() {
  echo "${JOBS:-$(nproc 2> /dev/null || echo 2)}"
}

# Shared by scripts/release.sh and scripts/make_setup.sh (sourced, not run): the version, the time
# every shipped file carries, and the folder of the files a Windows user gets.

# The project's VERSION from CMakeLists.txt under $1.
lanqi_version() {
  sed -n 's/^project(LanqiClockGuard VERSION \([0-9.]*\).*/\1/p' "$1/CMakeLists.txt"
}

# The time of the sources under $1 in seconds since 1970: SOURCE_DATE_EPOCH when set, otherwise
# the time of the last commit. Outside a git checkout SOURCE_DATE_EPOCH must be set.
lanqi_source_epoch() {
  if [[ -n ${SOURCE_DATE_EPOCH:-} ]]; then
    echo "$SOURCE_DATE_EPOCH"
  elif git -C "$1" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git -C "$1" log -1 --format=%ct
  else
    echo "outside a git checkout, set SOURCE_DATE_EPOCH" >&2
    return 1
  fi
}

# Fills the folder $4 with what the zip and the setup ship: the exe $2 and README.txt from the
# sources under $1 for version $3, both with the time $5 and fixed permissions, so that the zip
# and the setup that record them are the same bytes on every machine. README.txt is opened in
# Notepad: UTF-8 with a byte order mark and CRLF line ends reads right on every Windows.
lanqi_stage_payload() {
  local root=$1 exe=$2 version=$3 folder=$4 epoch=$5
  cp "$exe" "$folder/LanqiClockGuard.exe"
  {
    printf '\xef\xbb\xbf'
    sed -e "s/@VERSION@/$version/g" -e 's/\r$//' -e 's/$/\r/' "$root/resources/release/README.txt"
  } >"$folder/README.txt"
  chmod 0755 "$folder/LanqiClockGuard.exe"
  chmod 0644 "$folder/README.txt"
  touch -d "@$epoch" "$folder/LanqiClockGuard.exe" "$folder/README.txt"
}

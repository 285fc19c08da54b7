# Sourced by scripts/windows-deps and scripts/linux-deps, after
# scripts/lib/common.sh: fetches Debian's own
# source packages of this machine's suites with `apt-get source`, through a
# private apt configuration in the cache (a deb-src list of the suites the
# machine uses); the system's apt set-up is not changed.
#
# The caller sets `deps_name` (the prefix of its messages) and, before
# calling fetch, `work` (the folder the sources are unpacked in).

say() { echo "$deps_name: $*" >&2; }

# fail_with_log MESSAGE LOG: says what failed, shows the end of its log, exits.
fail_with_log() {
  say "$1"
  if [ -s "$2" ]; then
    tail -n 15 "$2" | sed 's/^/  | /' >&2
    say "(the whole log: $2)"
  fi
  exit 1
}

apt_dir=$cache_root/debian-sources
mkdir -p "$apt_dir/lists/partial" "$apt_dir/archives/partial" "$apt_dir/parts" "$apt_dir/preferences.d"

# Every "deb URI SUITE COMPONENTS" the machine uses for Debian, as deb-src,
# from the one-line lists and the deb822 .sources files alike.
machine_suites() {
  local file
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] || continue
    awk '$1 == "deb" { $1 = ""; sub(/^ +/, ""); if ($1 ~ /^\[/) { while ($1 !~ /\]$/) $1 = ""; $1 = ""; sub(/^ +/, "") }; print }' "$file"
  done
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    awk 'BEGIN { RS = ""; FS = "\n" }
      {
        types = uris = suites = comps = ""
        for (i = 1; i <= NF; i++) {
          split($i, kv, ":[ \t]*")
          key = kv[1]; value = substr($i, length(key) + 2); sub(/^[ \t]+/, "", value)
          if (key == "Types") types = value
          else if (key == "URIs") uris = value
          else if (key == "Suites") suites = value
          else if (key == "Components") comps = value
          else if (key == "Enabled" && value == "no") types = ""
        }
        if (types !~ /(^| )deb( |$)/) next
        n = split(uris, u, " "); m = split(suites, s, " ")
        for (a = 1; a <= n; a++) for (b = 1; b <= m; b++) print u[a], s[b], comps
      }' "$file"
  done
}
machine_suites | grep -E 'debian' | sort -u |
  sed 's|^|deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] |' >"$apt_dir/sources.list"
if [ ! -s "$apt_dir/sources.list" ]; then
  say "no Debian suite found in this machine's apt sources"
  exit 1
fi

private_apt() {  # apt-get or apt-cache, then its arguments
  local tool=$1; shift
  "$tool" -q \
    -o Dir::Etc::SourceList="$apt_dir/sources.list" \
    -o Dir::Etc::SourceParts="$apt_dir/parts" \
    -o Dir::Etc::PreferencesParts="$apt_dir/preferences.d" \
    -o Dir::State::Lists="$apt_dir/lists" \
    -o Dir::Cache="$apt_dir" \
    -o Dir::Cache::Archives="$apt_dir/archives" \
    -o Debug::NoLocking=1 \
    -o APT::Sandbox::User="$(id -un)" \
    "$@"
}

# The source index is refreshed once a day at most.
# A failed download is an error even where apt would only warn, so a machine
# that cannot reach the archive says so here, not later as a missing package.
if [ -z "$(find "$apt_dir/lists" -maxdepth 1 -name '*Sources*' -mtime -1 2>/dev/null | head -1)" ]; then
  say "reading the source index of $(wc -l <"$apt_dir/sources.list") suite(s)"
  if ! private_apt apt-get update -o APT::Update::Error-Mode=any >"$apt_dir/update.log" 2>&1; then
    fail_with_log "could not read the source index of Debian's archive (is the network or the mirror down?); \
the suites asked are in $apt_dir/sources.list" "$apt_dir/update.log"
  fi
fi

offered_versions() {  # package -> every version the suites offer, newest first
  private_apt apt-cache showsrc "$1" 2>/dev/null | awk -v p="$1" '
    /^Package: / { pkg = $2 } /^Version: / && pkg == p { print $2 }' | sort -rV -u
}

source_version() {  # package -> the newest version the suites offer
  offered_versions "$1" | head -n 1
}

# source_versions PACKAGE...: "package=version " for each, or exits naming
# the first one the suites do not offer.
source_versions() {
  local package version
  for package in "$@"; do
    version=$(source_version "$package")
    if [ -z "$version" ]; then
      say "no source package $package in this machine's suites"
      exit 1
    fi
    printf '%s=%s ' "$package" "$version"
  done
}

# fetch_without_signature PACKAGE VERSION: the source package's files but
# the upstream signature of its tarball (PACKAGE_X.orig.tar.*.asc), which
# some mirrors do not serve; each file checked against the hash the source
# index gives, the description file stripped of the signature's lines, then
# unpacked. Run in the folder the source goes to.
fetch_without_signature() {
  local uri name size hash dsc=""
  while read -r uri name size hash; do
    uri=${uri//\'/}
    case "$name" in *.asc) continue ;; *.dsc) dsc=$name ;; esac
    /usr/lib/apt/apt-helper download-file "$uri" "$name" "$hash" || return 1
  done < <(private_apt apt-get source --print-uris "$1=$2" | grep "^'")
  [ -n "$dsc" ] || return 1
  sed -i '/\.asc$/d' "$dsc"
  dpkg-source --no-check -x "$dsc"
}

# fetch PACKAGE: prints the folder its newest source is unpacked in. When a
# mirror lists a version it cannot serve (a security update's source not
# there yet), the next older version the suites offer is fetched instead,
# with a line that says so. A tarball's upstream signature that the mirror
# lacks is left out (the files are checked against the source index's hashes).
fetch() {
  local folder=$work/src-$1 log=$work/$1.fetch.log version newest=""
  for version in $(offered_versions "$1"); do
    rm -rf "$folder"
    mkdir -p "$folder"
    if (cd "$folder" && private_apt apt-get source "$1=$version" >"$log" 2>&1) ||
      { grep -q 'Failed to fetch .*\.orig\.tar\.[a-z0-9]*\.asc ' "$log" &&
        rm -rf "$folder" && mkdir -p "$folder" &&
        (cd "$folder" && fetch_without_signature "$1" "$version" >>"$log" 2>&1); }; then
      [ -z "$newest" ] || say "$1 $newest: its source cannot be fetched; building $version instead"
      find "$folder" -mindepth 1 -maxdepth 1 -type d | head -1
      return 0
    fi
    newest=${newest:-$version}
  done
  fail_with_log "could not fetch Debian's source package $1 (apt-get source failed)" "$log"
}

# lock_prefix: one run builds $prefix at a time (the work trees of a machine
# share the cache, and two runs in the same folders would remove each other's
# build folders); a later run waits here until the first has ended. When
# $prefix is complete, prints it and exits; otherwise the caller builds it,
# holding the lock until the script ends. Called once: opening the lock's
# file again would let go of the lock.
lock_prefix() {
  exec 9>"$prefix.lock"
  if ! flock -n 9; then
    say "another run is building $prefix; waiting for it"
    flock 9
  fi
  if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
  fi
}

# build NAME COMMAND...: runs the steps of one library unless $prefix says
# it is complete, and says how long they took.
build() {
  local name=$1 started=$SECONDS; shift
  [ -f "$prefix/.built-$name" ] && return 0
  "$@"
  touch "$prefix/.built-$name"
  say "$name ($((SECONDS - started)) s)"
}

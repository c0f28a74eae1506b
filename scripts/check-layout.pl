#!/usr/bin/perl
# Keeps the map of the code true (run by test.sh; needs only Perl):
#
#   scripts/check-layout.pl [ROOT]
#
# 1. The README's folder table ("## Folder layout") names every top-level folder of the tree, and
#    no folder that is not there.
# 2. Every #include of the product's code follows the table "Who may include whom" of
#    docs/architecture.md: a folder includes its own headers and those of the folders its row
#    names; Qt headers only where `Qt` is named; the engines' headers and SQL text only in
#    maindata/src/store/. The table itself has no cycle, and the "Layers" table lists the same
#    folders.
# 3. The picture docs/architecture.dot draws exactly the table's arrows, and docs/architecture.svg
#    was rendered from it (scripts/render-architecture.sh).
#
# Prints what is wrong, file and line, and exits 1; prints one line and exits 0 when all holds.
use strict;
use warnings;
use Cwd qw(abs_path);
use Digest::SHA qw(sha256_hex);
use File::Basename qw(dirname);

my $root = abs_path($ARGV[0] // dirname(abs_path($0)) . '/..');
chdir $root or die "check-layout: cannot enter $root: $!\n";

my @failures;
sub fail { push @failures, join('', @_) }

sub slurp {
    my ($path) = @_;
    open(my $fh, '<', $path) or die "check-layout: cannot read $path: $!\n";
    local $/;
    my $text = <$fh>;
    return $text;
}

# The lines of a Markdown section ("## Title" up to the next heading of that level or higher).
sub section_lines {
    my ($file, $title) = @_;
    my @lines = split /\n/, slurp($file);
    my ($in, @out) = (0);
    for my $line (@lines) {
        if ($line =~ /^(#+)\s+(.*?)\s*$/) {
            last if $in && length($1) <= 2;
            $in = 1 if $2 eq $title && length($1) == 2;
            next;
        }
        push @out, $line if $in;
    }
    die "check-layout: $file has no section \"## $title\"\n" unless $in;
    return @out;
}

# The cells of the table rows among `lines` (header and separator rows left out).
sub table_rows {
    my @rows;
    for my $line (@_) {
        next unless $line =~ /^\|(.*)\|\s*$/;
        my @cells = map { s/^\s+|\s+$//gr } split /\|/, $1, -1;
        next unless grep { !/^:?-+:?$/ } @cells; # the separator row
        push @rows, \@cells;
    }
    shift @rows; # the header
    return @rows;
}

sub backticked { my ($cell) = @_; return $cell =~ /`([^`]+)`/g }

# --- The files of the tree: those git tracks or would track, else every file ----------------------
my @files;
if (-e '.git' && open(my $git, '-|', 'git', 'ls-files', '--cached', '--others', '--exclude-standard')) {
    chomp(@files = <$git>);
    close $git;
}
unless (@files) {
    require File::Find;
    no warnings 'once';
    File::Find::find({ no_chdir => 1, wanted => sub {
        if (-d $_ && m{^\./(?:\.|build|demo-site)}) { $File::Find::prune = 1; return }
        push @files, s{^\./}{}r if -f $_;
    } }, '.');
}
@files = grep { -f $_ } @files; # a file deleted but not committed yet is gone

# --- 1. The README's folder table -----------------------------------------------------------------
my %top;
for (@files) { $top{$1} = 1 if m{^([^./][^/]*)/} }
my %listed;
for my $row (table_rows(section_lines('README.md', 'Folder layout'))) {
    for my $path (backticked($row->[0])) {
        $listed{$1} = 1 if $path =~ m{^([^/]+)/};
    }
}
for my $folder (sort keys %top) {
    fail("README.md: the folder table (\"## Folder layout\") lacks the top-level folder `$folder/`: ",
         "add a row that says what it holds") unless $listed{$folder};
}
for my $folder (sort keys %listed) {
    fail("README.md: the folder table names `$folder/`, which the tree does not have") unless $top{$folder};
}

# --- 2. Who may include whom ----------------------------------------------------------------------
my $map = 'docs/architecture.md';
my (%allowed, %patterns, @order);
for my $row (table_rows(section_lines($map, 'Who may include whom'))) {
    my ($folder) = backticked($row->[0]);
    die "check-layout: $map: a row of \"Who may include whom\" names no folder: | $row->[0] |\n"
        unless defined $folder && $folder =~ m{/$};
    push @order, $folder;
    $patterns{$folder} = [grep { $_ ne $folder } backticked($row->[1] // '')];
    $allowed{$folder} = { map { $_ => 1 } backticked($row->[2] // '') };
}
for my $folder (@order) {
    for my $target (keys %{ $allowed{$folder} }) {
        next if $target eq 'Qt';
        fail("$map: the row of `$folder` may include `$target`, which is no row of the table")
            unless exists $allowed{$target};
    }
}
my %layers = map { (backticked($_->[1]))[0] // '' => 1 } table_rows(section_lines($map, 'Layers'));
for my $folder (@order) { fail("$map: `$folder` is missing from the table \"Layers\"") unless $layers{$folder} }
for my $folder (sort grep { $_ ne '' } keys %layers) {
    fail("$map: `$folder` of the table \"Layers\" is missing from \"Who may include whom\"") unless $allowed{$folder};
}

# No cycle: a depth-first walk that meets a folder on its own path.
my %state;
my $walk;
$walk = sub {
    my ($folder, @path) = @_;
    return if ($state{$folder} // 0) == 2;
    if (($state{$folder} // 0) == 1) {
        fail("$map: the allowed includes run in a circle: ", join(' -> ', @path, $folder));
        return;
    }
    $state{$folder} = 1;
    $walk->($_, @path, $folder) for sort grep { exists $allowed{$_} } keys %{ $allowed{$folder} };
    $state{$folder} = 2;
};
$walk->($_) for @order;

# The folder a path belongs to: the longest row that starts it.
sub owner {
    my ($path) = @_;
    my ($best) = sort { length($b) <=> length($a) } grep { index($path, $_) == 0 } @order;
    return $best;
}

# The folder whose headers an include names, by the way it is spelled.
sub provider {
    my ($include) = @_;
    for my $folder (@order) {
        for my $pattern (@{ $patterns{$folder} }) {
            if ($pattern =~ /\*/) {
                my $regex = join '[^/]*', map { quotemeta } split /\*/, $pattern, -1;
                return $folder if $include =~ /^$regex$/;
            } elsif ($pattern =~ m{/$}) {
                return $folder if index($include, $pattern) == 0;
            } elsif ($include eq $pattern) {
                return $folder;
            }
        }
    }
    return undef;
}

my %engine = map { $_ => 1 } qw(sqlite3.h libpq-fe.h);
my $store = 'maindata/src/store/';
# Files outside the store that may include an engine's header, and why.
my %engine_exception = ('maintenance/pages/frmAbout.cpp' => "the SQLite library's version for System Info");
my $sql = qr/"\s*(?:SELECT\s|INSERT\s+INTO\s|UPDATE\s+\w+\s+SET\s|DELETE\s+FROM\s|CREATE\s+(?:UNIQUE\s+)?(?:TABLE|INDEX)\s|ALTER\s+TABLE\s|DROP\s+(?:TABLE|INDEX)\s|PRAGMA\s)|R"sql\(/;

my ($checked, $includes) = (0, 0);
for my $file (sort grep { /\.(?:h|hpp|c|cc|cpp)$/ } @files) {
    my $folder = owner($file);
    next unless defined $folder; # tests/, bench/ and files outside the layers
    $checked++;
    my $dir = dirname($file);
    open(my $fh, '<', $file) or die "check-layout: cannot read $file: $!\n";
    while (my $line = <$fh>) {
        if ($line =~ /^\s*#\s*include\s*([<"])([^>"]+)[>"]/) {
            my ($quote, $include) = ($1, $2);
            $includes++;
            my $target;
            my $local = "$dir/$include";
            $local =~ s{/+}{/}g;                 # one slash between parts
            1 while $local =~ s{(^|/)\./}{$1};   # no "./" parts
            1 while $local =~ s{(^|/)(?!\.\./)[^/]+/\.\.(?:/|$)}{$1};
            if ($quote eq '"' && -f $local) {
                $target = owner($local) // ($local =~ m{^([^/]+/)} ? $1 : $local);
            } elsif (defined(my $by_name = provider($include))) {
                $target = $by_name;
            } elsif ($include =~ m{^Qt?[A-Z][A-Za-z0-9]*$} || $include =~ m{^Qt[A-Za-z]+/}) {
                fail("$file:$.: includes <$include>: Qt is for the front end (`$folder` may not include it)")
                    unless $allowed{$folder}{Qt};
                next;
            } elsif ($engine{$include}) {
                fail("$file:$.: includes <$include>: the database engines belong to $store")
                    unless index($file, $store) == 0 || $engine_exception{$file};
                next;
            } elsif ($quote eq '"') {
                $target = $folder; # one of the folder's own include folders
            } else {
                next; # the system and other libraries
            }
            next if $target eq $folder || $allowed{$folder}{$target};
            fail("$file:$.: includes \"$include\" of `$target`, which `$folder` may not include ",
                 "(see \"Who may include whom\" in $map)");
        } elsif ($line =~ $sql && index($file, $store) != 0) {
            fail("$file:$.: SQL text outside $store: only the stores write SQL");
        }
    }
    close $fh;
}

# --- 3. The picture --------------------------------------------------------------------------------
my $dot = 'docs/architecture.dot';
my $svg = 'docs/architecture.svg';
my (%drawn);
for my $line (split /\n/, slurp($dot)) {
    next unless $line =~ /^\s*"([^"]+)"\s*->\s*"([^"]+)"\s*(?:\[(.*)\])?\s*;/;
    my ($from, $to, $attributes) = ($1, $2, $3 // '');
    next if $attributes =~ /\bclass\s*=/; # what happens at run time, not an include
    $drawn{"$from -> $to"} = 1;
}
my %table;
for my $folder (@order) { $table{"$folder -> $_"} = 1 for keys %{ $allowed{$folder} } }
for my $arrow (sort keys %table) { fail("$dot: the arrow $arrow of the table is not drawn") unless $drawn{$arrow} }
for my $arrow (sort keys %drawn) { fail("$dot: draws $arrow, which the table does not allow") unless $table{$arrow} }
my $hash = sha256_hex(slurp($dot));
fail("$svg was not rendered from the current $dot: run scripts/render-architecture.sh and commit both")
    unless -f $svg && slurp($svg) =~ /sha256 \Q$hash\E/;

if (@failures) {
    print STDERR "check-layout: $_\n" for @failures;
    print STDERR "check-layout: " . scalar(@failures) . " problem(s); the map of the code is $map and the folder table of README.md\n";
    exit 1;
}
printf "check-layout: %d top-level folders listed, %d files with %d includes within the layers, picture current\n",
    scalar(keys %top), $checked, $includes;
